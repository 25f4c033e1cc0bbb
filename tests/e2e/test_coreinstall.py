"""The demo product's installation routine, run as the installer runs it: in
the unpacked tree beside qel.info, as root, inside the sandbox."""

import re

import pexpect
import pytest

UNPACKED = "/tmp/unpacked/qelinst"
ROOT = "/opt/qel/zop"
PACKAGE_INFO = """arch x86
build_label release+zop-200
build_nr rev17595
build_type opt-debug
lib_type static
os linux
product zop
version_nr 2.00
"""


@pytest.fixture
def box(sandbox, build_dir):
    """The sandbox with the demo product unpacked as the installer leaves it."""
    stage = build_dir / "lyninst" / "zop-installer_payload.payload" / "stage" / "qelinst"
    sandbox.run(["mkdir", "-p", "/tmp/unpacked"])
    sandbox.run(["cp", "-R", str(stage), "/tmp/unpacked/"])
    sandbox.write_file(UNPACKED + "/qel.info", PACKAGE_INFO)
    return sandbox


def coreinstall(box, *args, **kwargs):
    return box.run(["./coreinstall"] + list(args), cwd=UNPACKED, check=False, **kwargs)


def productcfg(box, *args):
    return box.run([UNPACKED + "/sbin/qel-productcfg"] + list(args), check=False)


def backups(box):
    return box.glob("/var/backups/qel/*")


def test_fresh_batch_installation(box):
    productcfg(box, "set", "kest", "--root", "/opt/qel/kest")
    result = coreinstall(box, "--batch")
    assert result.returncode == 0, result.stdout + result.stderr
    assert "QEL Zonal Outpost Probe Server 2.00 is installed in /opt/qel/zop" in result.stdout

    for path in ["bin/zop-status", "sbin/qelzopd", "sbin/zop-uninstall", "sbin/zop-sentinel",
                 "sbin/qel-productcfg", "etc/zop.conf", "doc/README"]:
        assert box.exists("%s/%s" % (ROOT, path)), path
    assert box.run(["getent", "group", "qel"]).returncode == 0
    owners = box.run(["find", ROOT, "!", "-group", "qel"]).stdout
    assert owners == ""
    assert box.run([ROOT + "/sbin/qelzopd", "--version"]).stdout.endswith("2.00\n")

    assert productcfg(box, "get", "zop", "root").stdout == ROOT + "\n"
    assert productcfg(box, "get", "zop", "version_nr").stdout == "2.00\n"
    assert productcfg(box, "get", "zop", "build_nr").stdout == "rev17595\n"
    assert productcfg(box, "get", "zop", "group").stdout == "qel\n"
    assert productcfg(box, "get", "kest", "root").stdout == "/opt/qel/kest\n"
    assert backups(box) == []


def test_update_writes_a_backup_that_restore_recognises(box):
    assert coreinstall(box, "--batch").returncode == 0
    box.write_file(ROOT + "/etc/zop.conf", "probe_interval = 5\n")
    box.write_file(ROOT + "/doc/NOTES", "added after the installation\n")

    result = coreinstall(box, "--batch")
    assert result.returncode == 0, result.stdout + result.stderr
    assert "Found version 2.00 in /opt/qel/zop" in result.stdout
    [backup] = backups(box)
    assert re.fullmatch(r"/var/backups/qel/zop-2\.00-\d{8}-\d{6}\.tar", backup)
    assert "Backup of the existing installation: %s" % backup in result.stdout

    listing = box.run(["tar", "tf", backup]).stdout.split()
    assert "opt/qel/zop/sbin/zop-sentinel" in listing
    assert "opt/qel/zop/doc/NOTES" in listing
    assert "etc/qel.info" in listing
    assert not [m for m in listing if m.startswith("/")]

    # The administrator's configuration survives; the new default lies beside it.
    assert box.read_file(ROOT + "/etc/zop.conf") == "probe_interval = 5\n"
    assert "probe_interval = 60" in box.read_file(ROOT + "/etc/zop.conf.new")


def test_nobackup_update(box):
    assert coreinstall(box, "--batch").returncode == 0
    result = coreinstall(box, "--batch", "--nobackup")
    assert result.returncode == 0
    assert backups(box) == []


def test_compatibility_backup_is_ustar(box):
    assert coreinstall(box, "--batch").returncode == 0
    assert coreinstall(box, "--batch", "--compatibility").returncode == 0
    [backup] = backups(box)
    assert box.run(["sh", "-c", 'dd if="$1" bs=1 skip=257 count=6 2>/dev/null', "sh",
                    backup]).stdout == "ustar\0"


def test_dir_switch_and_recorded_root(box):
    assert coreinstall(box, "--batch", "--dir", "/opt/elsewhere/").returncode == 0
    assert box.exists("/opt/elsewhere/sbin/zop-sentinel")
    assert productcfg(box, "get", "zop", "root").stdout == "/opt/elsewhere\n"
    # An update without --dir goes to the recorded root.
    result = coreinstall(box, "--batch", "--verbose")
    assert result.returncode == 0
    assert "-- copying the files into /opt/elsewhere" in result.stdout
    assert not box.exists(ROOT)


def spawn(box, *args):
    return box.spawn(["./coreinstall"] + list(args), cwd=UNPACKED)


def test_interactive_installation_into_a_chosen_directory(box):
    child = spawn(box)
    child.expect_exact("Installation directory [/opt/qel/zop]: ")
    child.sendline("/opt/chosen")
    child.expect_exact("Install QEL Zonal Outpost Probe Server 2.00 into /opt/chosen? [y/n] ")
    child.sendline("y")
    child.expect_exact("is installed in /opt/chosen")
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 0
    assert box.exists("/opt/chosen/sbin/qelzopd")


@pytest.mark.parametrize("answer", ["n", "no", "", None])
def test_declining_or_end_of_input_aborts(box, answer):
    child = spawn(box)
    child.expect_exact("Installation directory [/opt/qel/zop]: ")
    child.sendline("")
    child.expect_exact("[y/n] ")
    if answer is None:
        child.sendeof()
    else:
        child.sendline(answer)
    child.expect_exact("Installation of QEL Zonal Outpost Probe Server aborted.")
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 3
    assert not box.exists(ROOT)
    assert not box.exists("/etc/qel.info")


def test_ctrl_c_at_a_question_aborts(box):
    child = spawn(box)
    child.expect_exact("Installation directory [/opt/qel/zop]: ")
    child.sendintr()
    child.expect_exact("aborted.")
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 3
    assert not box.exists(ROOT)


@pytest.mark.parametrize("args, message", [
    (["--bogus"], "unknown argument '--bogus'"),
    (["--dir"], "--dir needs a directory"),
    (["--batch", "--dir", "relative/path"], "must be an absolute path"),
    (["--batch", "--dir", "/"], "refusing to install into /"),
])
def test_bad_arguments_fail_with_2(box, args, message):
    result = coreinstall(box, *args)
    assert result.returncode == 2
    assert message in result.stderr
    assert not box.exists("/etc/qel.info")


def test_needs_root(box):
    box.add_user("qeltester", "secret")
    box.run(["chmod", "-R", "a+rX", "/tmp/unpacked"])
    result = box.run(["./coreinstall", "--batch"], user="qeltester", cwd=UNPACKED, check=False)
    assert result.returncode == 2
    assert "the installation must run as root" in result.stderr


def test_needs_the_package_information(box):
    box.run(["rm", UNPACKED + "/qel.info"])
    result = coreinstall(box, "--batch")
    assert result.returncode == 2
    assert "the package information ./qel.info is missing" in result.stderr


def test_uninstall_removes_installation_and_entry(box):
    productcfg(box, "set", "kest", "--root", "/opt/qel/kest")
    assert coreinstall(box, "--batch").returncode == 0
    result = box.run([ROOT + "/sbin/zop-uninstall", "--batch"], check=False)
    assert result.returncode == 0, result.stderr
    assert not box.exists(ROOT)
    assert productcfg(box, "get", "zop", "root").returncode == 1
    assert productcfg(box, "get", "kest", "root").stdout == "/opt/qel/kest\n"
