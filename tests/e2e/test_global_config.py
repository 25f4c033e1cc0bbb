"""The installer reads its product's entry from /etc/qel.info when it starts."""

import os
import signal
import time

import pexpect
import pytest

BROKEN = 'zop = { root = "/opt/qel/zop";\n  group = "qel"\n  oops };\n'


@pytest.fixture
def box(sandbox):
    return sandbox


def run_installer(box, installer, *args, env=None):
    return box.run([str(installer)] + list(args), check=False, env=env)


def test_syntax_error_names_the_file_and_line(box, installer):
    box.write_file("/etc/qel.info", BROKEN)
    result = run_installer(box, installer, "--info", env={"QEL_I18N_DIR": ""})
    assert result.returncode == 2, result.stdout + result.stderr
    assert result.stderr.startswith("Error occured:\n\n#1)\n"), result.stderr
    assert ("\tConfig Error error occured. The global product configuration file "
            "'/etc/qel.info' contains errors:\n\t/etc/qel.info:3 - syntax error\n"
            in result.stderr), result.stderr
    assert "(openConfig)" in result.stderr
    assert box.read_file("/etc/qel.info") == BROKEN, "nothing is written over it"


def test_syntax_error_in_german(box, installer):
    # The catalogues come from the payload, as in a user's run.
    box.write_file("/etc/qel.info", BROKEN)
    result = run_installer(box, installer, "--info",
                           env={"LANG": "de_DE.UTF-8", "LC_ALL": "de_DE.UTF-8"})
    assert result.returncode == 2, result.stdout + result.stderr
    assert ("\tKonfigurations Fehler aufgetreten. Die globale Produktkonfigurationsdatei '/etc/qel.info' enthält Fehler:\n"
            "\t/etc/qel.info:3 - syntax error" in result.stderr), result.stderr


def test_valid_entry_is_read(box, installer):
    box.write_file("/etc/qel.info", 'dax = { root = "/opt/qel/dax"; };\n'
                                    'zop = { root = "/opt/qel/zop"; group = "qel"; };\n')
    result = run_installer(box, installer, "--version", env={"QEL_I18N_DIR": ""})
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stderr == ""


def test_entry_without_root_is_reported(box, installer):
    box.write_file("/etc/qel.info", 'zop = { group = "qel"; };\n')
    result = run_installer(box, installer, "--version", env={"QEL_I18N_DIR": ""})
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stderr == ("Strange product section in global configuration file. "
                             "Missing root setting.\n")


@pytest.mark.parametrize("setup, culprit", [
    ("mkfifo /etc/qel.info", "/etc/qel.info"),
    ("mkdir -p /etc/qel.d && mkfifo /etc/qel.d/pipe && "
     "printf '@include \"/etc/qel.d/pipe\"\\n' > /etc/qel.info", "/etc/qel.d/pipe"),
], ids=["the file", "an included file"])
def test_named_pipe_is_refused_instead_of_read(box, installer, setup, culprit):
    box.run(["rm", "-f", "/etc/qel.info"])
    box.sh(setup)
    result = run_installer(box, installer, "--info", env={"QEL_I18N_DIR": ""})
    assert result.returncode == 2, result.stdout + result.stderr
    assert result.stderr.startswith("Error occured:\n\n#1)\n"), result.stderr
    assert ("\tConfig Error error occured. The global product configuration file "
            "'/etc/qel.info' cannot be read:\n\t'%s' is not a regular file.\n" % culprit
            in result.stderr), result.stderr


def read_wchan(pid):
    """Where in the kernel the process waits (a named pipe's open:
    "wait_for_partner")."""
    with open("/proc/%d/wchan" % pid) as f:
        return f.read()


@pytest.mark.parametrize("quit", ["ctrl-c", "sigterm"])
def test_quit_request_ends_a_start_up_that_blocks(box, installer, quit):
    # A release file that never delivers: the start-up waits in its reading.
    box.run(["rm", "-f", "/etc/lsb-release"])
    box.run(["mkfifo", "/etc/lsb-release"])
    child = box.spawn([str(installer), "--info"], env={"QEL_NO_COLOR": "1"}, timeout=20)
    deadline = time.monotonic() + 20
    while read_wchan(child.pid) != "wait_for_partner":
        assert time.monotonic() < deadline, "the start-up never reached the named pipe"
        time.sleep(0.1)
    if quit == "ctrl-c":
        child.sendintr()
    else:
        os.kill(child.pid, signal.SIGTERM)
    child.expect_exact("zop-installer: Exit request received")
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 3
