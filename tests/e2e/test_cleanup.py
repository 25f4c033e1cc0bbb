"""Removing the temporary installation data after an installation."""

import re

import pytest

from steps import clean_env

STEP = "Cleaning up temporary files... "
BIN = "/home/qel-bin/fake"


@pytest.fixture
def box(sandbox, installer):
    sandbox.write_file("/etc/debian_version", "7.4\n")
    sandbox.exe = sandbox.provide(installer)
    return sandbox


def install(box, argv=(), path="/usr/sbin:/usr/bin:/sbin:/bin", **env):
    variables = {"LANG": "C"}
    variables.update(env)
    return box.run(clean_env(path, **variables) + [box.exe, "--batch"] + list(argv), check=False)


def test_installation_removes_its_temporary_data(box):
    result = install(box)
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stdout.endswith("\n" + STEP + "succeeded\n")
    assert box.glob("/tmp/qel_install.*") == []
    assert box.exists("/opt/qel/zop/sbin/zop-sentinel")


def test_verbose_names_the_directory_and_the_tool(box):
    result = install(box, ["--verbose"])
    assert result.returncode == 0, result.stdout + result.stderr
    match = re.search(r"-- cleaning up temporary installation data in (/tmp/qel_install\.\w{6})\n"
                      + re.escape(STEP) + r"\n-- using '/usr/bin/rm' for deleting\nsucceeded\n$",
                      result.stdout)
    assert match, result.stdout
    assert not box.exists(match.group(1))


def test_failing_rm(box):
    box.write_file(BIN + "/rm", '#!/bin/sh\ncase "$*" in *qel_install.*) echo "rm: no" >&2; '
                   'exit 1;; esac\nexec /usr/bin/rm "$@"\n', mode=0o755)
    result = install(box, path=BIN + ":/usr/sbin:/usr/bin:/sbin:/bin")
    assert result.returncode == 2
    assert result.stdout.endswith("\n" + STEP + "failed\n")
    assert result.stderr.endswith("rm: no\nCalling '%s/rm' failed with '1'\n" % BIN)
    assert len(box.glob("/tmp/qel_install.*")) == 1


def test_missing_rm(box):
    # Inside the sandbox only: rm is no executable file any more.
    box.run(["mount", "--bind", "/dev/null", "/usr/bin/rm"])
    result = install(box, QEL_I18N_DIR="")
    assert result.returncode == 2
    assert result.stdout.endswith("\n" + STEP + "failed\n")
    assert result.stderr.endswith("Unable to find 'rm' for deleting!\n")
