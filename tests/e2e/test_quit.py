"""Quit requests: Ctrl-C or SIGTERM while the installer waits for an answer
ends the question as the end of input does, and the run ends with status 3.

The sandbox's /etc/lsb-release names an Ubuntu release older than any that
is supported, so an installation asks whether to go on."""

import signal

import pytest

from steps import bin_dir, clean_env

QUESTION = "Do you want to continue the installation anyway?"
PROMPT = "\t(yes/y/no/n): "


@pytest.fixture
def unsupported(sandbox, installer):
    sandbox.write_file("/etc/lsb-release", "DISTRIB_ID=Ubuntu\nDISTRIB_RELEASE=8.04\n")
    return sandbox, sandbox.provide(installer)


def ask(unsupported):
    box, program = unsupported
    child = box.spawn([program], env={"QEL_NO_COLOR": "1"})
    child.expect_exact(QUESTION + "\r\n\r\n" + PROMPT)
    return child


def finish(child):
    rest = child.read()
    child.close()
    return child.exitstatus, child.signalstatus, rest


def test_ctrl_c_ends_the_question_with_status_3(unsupported):
    child = ask(unsupported)
    child.sendintr()
    status, signalled, rest = finish(child)
    assert (status, signalled) == (3, None)
    # The terminal echoes the interrupt; the question ends with its newline
    # and nothing is asked again.
    assert rest.replace("^C", "") == "\r\n"


def test_sigterm_ends_the_question_with_status_3(unsupported):
    child = ask(unsupported)
    child.kill(signal.SIGTERM)
    status, signalled, rest = finish(child)
    assert (status, signalled) == (3, None)
    assert rest == "\r\n"


@pytest.mark.parametrize("answer", ["n", "no"])
def test_answer_no_ends_without_failure(unsupported, answer):
    child = ask(unsupported)
    child.sendline(answer)
    status, signalled, rest = finish(child)
    assert status == 0
    assert rest == answer + "\r\n\r\n"


def test_end_of_input_is_no(unsupported):
    child = ask(unsupported)
    child.sendeof()
    status, signalled, rest = finish(child)
    assert status == 0
    assert rest == "\r\n"


def test_other_answers_ask_again(unsupported):
    child = ask(unsupported)
    child.sendline("Y")
    child.expect_exact("Y\r\n\r\n" + QUESTION + "\r\n\r\n" + PROMPT)
    child.sendintr()
    status, signalled, rest = finish(child)
    assert status == 3


def test_quit_during_unpacking_installs_nothing(sandbox, test_installer, tmp_path):
    """SIGTERM that reaches only the installer while tar runs: the unpacking
    goes through, but nothing is installed, the temporary data goes and the
    run ends with 3."""
    sandbox.write_file("/etc/debian_version", "7.4\n")
    program = sandbox.provide(test_installer("report"))
    path = bin_dir(tmp_path / "bin", ["gzip", "rm", "cat", "id", "sed"],
                   {"tar": 'echo "tar: starting" >&2; /bin/sleep 2; exec /usr/bin/tar "$@"'})
    # An empty QEL_I18N_DIR: no translation start-up, one process to signal.
    child = sandbox.spawn(clean_env(path, QEL_I18N_DIR="", QEL_NO_COLOR="1") + [program])
    child.expect_exact("tar: starting")
    child.kill(signal.SIGTERM)
    rest = child.read()
    child.close()
    assert child.exitstatus == 3
    assert "succeeded\r\n\r\nCleaning up temporary files... succeeded\r\n" in rest
    assert "coreinstall" not in rest
    assert sandbox.glob("/tmp/qel_install.*") == []
