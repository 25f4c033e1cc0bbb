"""Fixtures of the end-to-end tests.

ctest passes the build directory in QEL_BUILD_DIR; run by hand, pytest takes
<source>/build.
"""

import os
import pathlib
import subprocess

import pytest

from sandbox import Sandbox, SandboxUnavailable

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[2]
BUILD_DIR = pathlib.Path(os.environ.get("QEL_BUILD_DIR", SOURCE_DIR / "build"))
SANDBOX_RUN = SOURCE_DIR / "testsupport" / "sandbox-run"


def _built(path):
    if not path.is_file():
        pytest.fail("%s is missing: build the project first" % path)
    return path


@pytest.fixture(scope="session")
def source_dir():
    return SOURCE_DIR


@pytest.fixture(scope="session")
def build_dir():
    return BUILD_DIR


@pytest.fixture(scope="session")
def installer():
    """build/zop-installer, the installer of the demo product."""
    return _built(BUILD_DIR / "zop-installer")


@pytest.fixture(scope="session")
def test_installer():
    """test_installer(name): an installer built from tests/installers/<name>."""
    return lambda name: _built(BUILD_DIR / "tests" / "installers" / ("zop-installer-" + name))


@pytest.fixture(scope="session")
def i18n_dir():
    """The compiled catalogues of the build, for QEL_I18N_DIR."""
    return _built(BUILD_DIR / "i18n" / "de_DE" / "LC_MESSAGES" / "installer.mo").parents[2]


@pytest.fixture(scope="session")
def de(i18n_dir):
    """de(text, domain): the German catalogue's translation of text."""
    def translate(text, domain="installer"):
        result = subprocess.run(["gettext", "-d", domain, "--", text], capture_output=True,
                                text=True, check=True,
                                env={"TEXTDOMAINDIR": str(i18n_dir), "LANGUAGE": "",
                                     "LC_ALL": "de_DE.UTF-8", "PATH": os.environ["PATH"]})
        assert result.stdout != text or text.strip() == "", "untranslated: " + text
        return result.stdout
    return translate


def _sandbox(keep):
    try:
        return Sandbox(SANDBOX_RUN, keep=[keep])
    except SandboxUnavailable as e:
        pytest.skip(str(e))


@pytest.fixture
def sandbox(tmp_path):
    """A fresh private mount namespace (see sandbox.py) for one test.

    tmp_path stays visible inside, so a test can prepare files there."""
    box = _sandbox(tmp_path)
    yield box
    box.close()


@pytest.fixture(scope="module")
def module_sandbox(tmp_path_factory):
    """One sandbox for the tests of a module that run the installer as root
    without depending on each other's traces; its scratch directory stays
    visible inside."""
    box = _sandbox(tmp_path_factory.mktemp("module"))
    yield box
    box.close()


def pytest_configure(config):
    # Temporary files of the tests live in the build tree, not in the /tmp
    # that the sandbox covers.
    if config.option.basetemp is None and BUILD_DIR.is_dir():
        config.option.basetemp = str(BUILD_DIR / "pytest-manual")
