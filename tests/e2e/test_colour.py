"""One decision per stream whether it gets colour: standard output in a
file and standard error on a terminal. The installer runs as root in CI:
inside the sandbox."""

import pexpect

from steps import RED, RESET, banner, bin_dir, clean_env, color, tty_text

STEP = "Verfying contained installation data... "


def split_run(sandbox, installer, tmp_path, path):
    """--verify with standard output into a file and standard error on a
    terminal; returns (status, the file, what the terminal showed)."""
    out_file = tmp_path / "stdout.txt"
    argv = sandbox.command(clean_env(path, LANG="C") + [
        "/bin/sh", "-c", 'exec "$0" --verify > "$1"', sandbox.provide(installer), str(out_file)])
    child = pexpect.spawn(argv[0], argv[1:], encoding="utf-8", timeout=60)
    shown = child.read()
    child.close()
    return child.exitstatus, out_file.read_text(), tty_text(shown)


def test_succeeded_mark_in_a_file_has_no_colour(sandbox, installer, tmp_path):
    path = bin_dir(tmp_path / "bin", ["tar", "gzip", "rm", "sha256sum"])
    status, written, shown = split_run(sandbox, installer, tmp_path, path)
    assert status == 0
    assert written == banner() + STEP + "succeeded\n"
    # The terminal shows only the resets of the two guards on standard error
    # of both processes (the translation start-up runs the installer again).
    assert shown == RESET * 4


def test_failed_mark_in_the_file_its_colour_on_the_terminal(sandbox, installer, tmp_path):
    path = bin_dir(tmp_path / "bin", ["tar", "gzip", "rm", "cat"],
                   {"sha256sum": "cat >/dev/null; echo broken >&2; exit 1"})
    status, written, shown = split_run(sandbox, installer, tmp_path, path)
    assert status == 2
    assert written == banner() + STEP + "failed\n"
    assert "\x1b" not in written
    # The red of the mark and its reset, then the tool's complaint in red;
    # at the end the two guards of standard error of both processes reset.
    assert shown == ("broken\n" + color(RED) + RESET
                     + color(RED) + "Running 'sha256sum' failed\n" + RESET + RESET * 4)
