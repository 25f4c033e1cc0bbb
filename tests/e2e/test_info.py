"""--info: the package, the sizes of the contained data and the environment."""

import subprocess

import pytest

from steps import at_exit, banner, clean_env, run_in, run_tty_in, supported_box

PACKAGE = """This is an installation package for:

Product code name: zop
Product full name: QEL Zonal Outpost Probe Server
Product version: 2.00
Target architecture: x86
Target OS: linux
Build type: opt-debug
Library type: static
Build label: release+zop-200
Build revision: rev17595"""


@pytest.fixture(scope="module")
def archive_size(build_dir):
    return (build_dir / "lyninst" / "zop-installer_payload.payload" / "archive.tar.gz").stat().st_size


def size_line(label, size):
    return "%s: %d bytes (%.2f MB)\n" % (label, size, size / 1048576.0)


def init_system(box):
    """The init system by what is installed and running in the sandbox."""
    def ok(script):
        return box.sh(script, check=False).returncode == 0
    if ok("command -v systemd && pgrep -x systemd"):
        return "systemd"
    if ok("test -e /etc/init && command -v initctl"):
        return "upstart"
    if ok("command -v rc-status && { test -e /sbin/rc-update || command -v rc-update; }"):
        return "OpenRC"
    if ok("{ test -e /etc/rc0.d || test -e /etc/rc.d/rc0.d; } && test -e /etc/default"):
        return "UNIX System V"
    return "Unknown Init System"


def environment(box, version_text, tool="su"):
    return ("\nEnvironment Information:\n\n"
            "Detected Linux Distribution: Debian\n"
            "Detected Linux Version: %s\n"
            "Detected Init System: %s\n"
            "Tool for gaining root privilege: %s\n" % (version_text, init_system(box), tool))


@pytest.fixture
def debian_box(sandbox, installer):
    sandbox.run(["rm", "-f", "/etc/lsb-release"])
    return supported_box(sandbox, installer)


def test_info_shows_package_sizes_and_environment(debian_box, archive_size):
    box = debian_box
    expected = (banner() + PACKAGE + "\n" + size_line("Size of contained data", archive_size)
                + environment(box, "Debian 7.4.0 (wheezy)"))
    result = box.run(clean_env(LANG="C") + [box.exe, "--info"], check=False)
    assert (result.returncode, result.stdout, result.stderr) == (0, expected, "")

    # The same text in a terminal, the banner in colour; --verify given as
    # well changes nothing.
    status, out = run_tty_in(box, clean_env(LANG="C") + [box.exe, "--verify", "--info"])
    assert (status, out) == (0, expected.replace(banner(), banner(True)) + at_exit())


def test_group_account_of_an_installed_copy_is_shown(debian_box, archive_size):
    box = debian_box
    box.write_file("/etc/qel.info", 'zop = { root = "/opt/qel/zop"; group = "zopadm"; };\n')
    result = box.run(clean_env(LANG="C") + [box.exe, "--info", "--sudo"])
    assert result.stdout == (banner() + PACKAGE + "\nGroup Account: zopadm\n"
                             + size_line("Size of contained data", archive_size)
                             + environment(box, "Debian 7.4.0 (wheezy)", "sudo"))
    assert result.stderr == ""


def attach(installer, tmp_path, *contents):
    """A copy of the installer with one section "qel" per content, in order."""
    exe = tmp_path / "attached-installer"
    exe.write_bytes(installer.read_bytes())
    exe.chmod(0o755)
    for i, content in enumerate(contents):
        data = tmp_path / ("attachment%d" % i)
        data.write_bytes(content)
        # A temporary name: objcopy does not add a second section of a name.
        subprocess.run(["objcopy", "--add-section", "qtmp=%s" % data, str(exe)], check=True)
        subprocess.run(["objcopy", "--rename-section", "qtmp=qel", str(exe)], check=True)
    return exe


def info(box, exe):
    status, out, err = run_in(box, clean_env(LANG="C") + [str(exe), "--info"])
    assert status == 0
    return out, err


@pytest.mark.parametrize("contents,size", [
    ([b"x" * 1048576], 1048576),
    ([b"[qel]\nkey = value\n"], 18),
    ([b"first attachment", b"later"], 5),
], ids=["one megabyte", "small", "later wins"])
def test_attached_configuration_size(module_sandbox, installer, tmp_path, archive_size, contents,
                                     size):
    out, err = info(module_sandbox, attach(installer, tmp_path, *contents))
    assert size_line("Size of contained data", archive_size) \
        + size_line("Size of attached configuration", size) + "\nEnvironment" in out
    assert err == ""


def test_no_attached_configuration_no_line(module_sandbox, installer, tmp_path, archive_size):
    for exe in [installer, attach(installer, tmp_path, b"")]:
        out, err = info(module_sandbox, exe)
        assert size_line("Size of contained data", archive_size) + "\nEnvironment" in out
        assert "attached" not in out
        assert err == ""
