"""The sandbox itself: private system state, real su and sudo inside it."""

import os
import subprocess
import tempfile

import pexpect
import pytest


def test_system_state_is_private(sandbox):
    host_etc = sorted(os.listdir("/etc"))
    sandbox.write_file("/etc/qel.info", "zop = {};\n")
    sandbox.write_file("/opt/qel/zop/x", "x")
    sandbox.write_file("/var/backups/qel/b.tar", "b")
    sandbox.write_file("/tmp/qel_install.abcdef/x", "x")
    sandbox.add_user("qeltester", "secret")

    # A later command sees what an earlier one left.
    assert sandbox.read_file("/etc/qel.info") == "zop = {};\n"
    assert sandbox.glob("/tmp/qel_install.*") == ["/tmp/qel_install.abcdef"]
    assert sandbox.run(["getent", "passwd", "qeltester"]).returncode == 0
    assert sandbox.run(["sh", "-c", "echo $QEL_SANDBOX"]).stdout == "1\n"

    assert sorted(os.listdir("/etc")) == host_etc
    assert not os.path.exists("/opt/qel")
    assert not os.path.exists("/var/backups/qel")
    assert not os.path.exists("/tmp/qel_install.abcdef")
    assert not os.path.exists("/home/qeltester")


def test_sandbox_starts_empty(sandbox):
    with tempfile.NamedTemporaryFile(dir="/tmp", prefix="qel_install.") as host_file:
        assert not sandbox.exists(host_file.name)
    for d in ("/opt", "/var/backups"):
        assert sandbox.run(["ls", "-A", d]).stdout == ""


def test_kept_directory_is_visible(sandbox, tmp_path):
    (tmp_path / "prepared").write_text("from the host\n")
    assert sandbox.read_file(str(tmp_path / "prepared")) == "from the host\n"


def as_user_with_password(sandbox, argv, prompt, password, expect=None):
    """Runs argv as qeltester, answers the password prompt; (output, status)."""
    child = sandbox.spawn(argv, user="qeltester")
    child.expect_exact(prompt)
    child.sendline(password)
    if expect:
        child.expect_exact(expect)
    child.expect(pexpect.EOF)
    child.close()
    return child.before, child.exitstatus


def test_su_asks_for_the_sandbox_root_password(sandbox):
    sandbox.add_user("qeltester", "userpw")
    sandbox.set_password("root", "rootpw")
    su = ["su", "-c", "id -u"]
    _, status = as_user_with_password(sandbox, su, "Password: ", "wrong",
                                      expect="Authentication failure")
    assert status != 0
    output, status = as_user_with_password(sandbox, su, "Password: ", "rootpw")
    assert output.split() == ["0"]
    assert status == 0


def test_sudo_follows_the_sandbox_sudoers_rules(sandbox):
    sandbox.add_user("qeltester", "userpw")
    sudo = ["sudo", "-k", "id", "-u"]
    prompt = "password for qeltester: "
    _, status = as_user_with_password(sandbox, sudo, prompt, "userpw",
                                      expect="is not in the sudoers file")
    assert status != 0
    sandbox.allow_sudo("qeltester")
    output, status = as_user_with_password(sandbox, sudo, prompt, "userpw")
    assert output.split() == ["0"]
    assert status == 0


def test_writes_outside_the_private_directories_are_refused(sandbox):
    with pytest.raises(ValueError, match="not below the sandbox's private directories"):
        sandbox.write_file("/srv/x", "would reach the host")
    with pytest.raises(ValueError):
        sandbox.write_file("/opt/../srv/x", "would reach the host")
    assert not os.path.exists("/srv/x")


def test_working_directory_lies_in_the_private_mounts(sandbox, source_dir):
    # A command started in /etc writes into the sandbox's copy, not the host's.
    result = subprocess.run([str(source_dir / "testsupport" / "sandbox-run"), "sh", "-c",
                             "echo x > qel-sandbox-probe && cat /etc/qel-sandbox-probe"],
                            cwd="/etc", capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    assert result.stdout == "x\n"
    assert not os.path.exists("/etc/qel-sandbox-probe")
