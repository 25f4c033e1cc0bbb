"""The sandbox itself: private system state, real su and sudo inside it."""

import os
import tempfile

import pexpect


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


def test_su_asks_for_the_sandbox_root_password(sandbox):
    sandbox.add_user("qeltester", "userpw")
    sandbox.set_password("root", "rootpw")
    child = sandbox.spawn(["su", "-c", "id -u"], user="qeltester")
    child.expect("Password: ")
    child.sendline("wrong")
    child.expect("Authentication failure")
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus != 0

    child = sandbox.spawn(["su", "-c", "id -u"], user="qeltester")
    child.expect("Password: ")
    child.sendline("rootpw")
    child.expect(pexpect.EOF)
    child.close()
    assert child.before.split() == ["0"]
    assert child.exitstatus == 0


def test_sudo_follows_the_sandbox_sudoers_rules(sandbox):
    sandbox.add_user("qeltester", "userpw")
    child = sandbox.spawn(["sudo", "-k", "id", "-u"], user="qeltester")
    child.expect("password for qeltester: ")
    child.sendline("userpw")
    child.expect("is not in the sudoers file")
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus != 0

    sandbox.allow_sudo("qeltester")
    child = sandbox.spawn(["sudo", "-k", "id", "-u"], user="qeltester")
    child.expect("password for qeltester: ")
    child.sendline("userpw")
    child.expect(pexpect.EOF)
    child.close()
    assert child.before.split() == ["0"]
    assert child.exitstatus == 0
