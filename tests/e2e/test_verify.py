"""--verify: the contained archive checked with the system's sha256sum.

The tests run as root in CI, so the installer runs in a sandbox."""

import os

import pytest

from steps import at_exit, banner, bin_dir, clean_env, color, failed, in_color, run_in, \
    run_tty_in, succeeded, RED, RESET, YELLOW, CYAN

STEP = "Verfying contained installation data... "
MISMATCH = "The computed hash value doesn't match the recorded hash value\n"


@pytest.fixture(scope="module")
def box(module_sandbox):
    return module_sandbox


@pytest.fixture(scope="module")
def archive(build_dir):
    return (build_dir / "lyninst" / "zop-installer_payload.payload" / "archive.tar.gz").read_bytes()


def test_intact_archive_verifies_in_a_terminal_and_through_pipes(box, installer):
    status, out = run_tty_in(box, clean_env(LANG="C") + [str(installer), "--verify"])
    assert (status, out) == (0, banner(True) + STEP + succeeded(True) + at_exit())

    assert run_in(box, clean_env(LANG="C") + [str(installer), "--verify"]) == \
        (0, banner() + STEP + succeeded(), "")


def test_verbose_names_the_tool_before_the_step_line(box, installer, tmp_path):
    path = bin_dir(tmp_path / "bin", ["sha256sum", "tar", "gzip", "rm"])
    status, out = run_tty_in(box, clean_env(path, LANG="C")
                             + [str(installer), "--verify", "--verbose"])
    tool = os.path.join(path, "sha256sum")
    assert (status, out) == (0, banner(True) + in_color(CYAN, "-- using '%s' for checksumming\n"
                                                        % tool, True) + STEP + succeeded(True) + at_exit())


def test_one_changed_byte_of_the_archive_is_a_mismatch(box, installer, archive, tmp_path):
    image = bytearray(installer.read_bytes())
    start = bytes(image).find(archive)
    assert start > 0 and bytes(image).find(archive, start + 1) == -1
    image[start + len(archive) // 2] ^= 0x01
    broken = tmp_path / "broken-installer"
    broken.write_bytes(bytes(image))
    broken.chmod(0o755)
    # The changed archive cannot give the catalogues either: stay in English.
    env = clean_env(LANG="C", QEL_I18N_DIR="")
    assert run_in(box, env + [str(broken), "--verify"]) == (2, banner() + STEP, MISMATCH)

    status, out = run_tty_in(box, env + [str(broken), "--verify"])
    assert (status, out) == (2, banner(True) + STEP + in_color(RED, MISMATCH, True) + at_exit(1))


# What a stand-in sha256sum prints (it reads its input first, as the real one
# does), and what the installer then says.
LENGTH = "Hash value obtained from 'sha256sum' has got an unexpected length: %d instead of 64\n"
FAKES = [
    ("abc", 'cat >/dev/null; echo "abc  -"', 2, LENGTH % 3),
    ("nothing", "cat >/dev/null", 2, LENGTH % 0),
    ("65 digits", 'cat >/dev/null; echo "%s  -"' % ("a" * 65), 2, LENGTH % 65),
    ("upper case", '/usr/bin/sha256sum "$@" | tr a-f A-F', 0, None),
    ("fails", "cat >/dev/null; echo broken >&2; exit 1", 2,
     "broken\nRunning 'sha256sum' failed\n"),
    ("wrong digest", 'cat >/dev/null; echo "%s *-"' % ("0" * 64), 2, MISMATCH),
]


@pytest.mark.parametrize("script,status,message", [f[1:] for f in FAKES],
                         ids=[f[0] for f in FAKES])
def test_answers_of_a_stand_in_sha256sum(box, installer, tmp_path, script, status, message):
    path = bin_dir(tmp_path / "bin", ["tar", "gzip", "rm", "cat", "tr"],
                   {"sha256sum": script})
    result = run_in(box, clean_env(path, LANG="C") + [str(installer), "--verify"])
    if status == 0:
        assert result == (0, banner() + STEP + succeeded(), "")
    elif message == MISMATCH:
        assert result == (2, banner() + STEP, MISMATCH)
    else:
        assert result == (2, banner() + STEP + failed(), message)


def test_without_sha256sum_on_path(box, installer, tmp_path):
    path = bin_dir(tmp_path / "bin", ["tar", "gzip", "rm"])
    message = "Cannot verify data, because the 'sha256sum' program wasn't found on this system\n"
    assert run_in(box, clean_env(path, LANG="C") + [str(installer), "--verify"]) == \
        (2, banner() + STEP + failed(), message)

    status, out = run_tty_in(box, clean_env(path, LANG="C") + [str(installer), "--verify"])
    assert (status, out) == (2, banner(True) + STEP + color(RED) + "failed\n" + RESET
                             + in_color(YELLOW, message, True) + at_exit())
