"""The privileged step: the installation routine of the contained archive,
run as root in the unpacked directory with the forwarded switches, its
dialogue framed, its outcome turned into messages and the exit status.

The installers come from tests/installers; the sandbox's /etc/lsb-release
names a supported Ubuntu, so no question is asked."""

import os
import re
import signal
import subprocess

import pytest

CALLING = "=== Calling installation routine ===\n\n"
SUPPORT_TAIL = ("\t- information about the system you're using (see 'uname -a')\n"
                "\t- the complete command line and error output of the installation\n\n")
CYAN = "\x1b[2m\x1b[36m"
BLUE = "\x1b[2m\x1b[34m"
RESET = "\x1b[0m"


def support_email(build_dir):
    for line in (build_dir / "CMakeCache.txt").read_text().splitlines():
        if line.startswith("QEL_SUPPORT_EMAIL:"):
            return line.split("=", 1)[1]
    raise AssertionError("QEL_SUPPORT_EMAIL is not in the build's cache")


def wrap(text, indent=0):
    """The installer's wrapping at 80 columns (blank and "-" break)."""
    lead = "\t" * indent
    pieces, start = [], 0
    for i, c in enumerate(text):
        if c in " -":
            pieces.append(text[start:i + 1])
            start = i + 1
    pieces.append(text[start:])
    out, length = lead, 0
    for n, piece in enumerate(pieces):
        counted = len(piece) + (1 if n == len(pieces) - 1 else 0)
        if length and length + counted > 80:
            out += "\n" + lead
            length = counted
        else:
            length += counted
        out += piece
    return out


def support(build_dir, program):
    paragraph = ("If you can't solve the problem on your own you can contact the QEL support "
                 "by eMail at %s. If you do so please don't forget to provide the following "
                 "information:" % support_email(build_dir))
    item = "- the product and its version you're trying to install (see '%s -i')" % program
    return wrap(paragraph) + "\n\n" + wrap(item, 1) + "\n" + SUPPORT_TAIL


@pytest.fixture
def box(sandbox):
    sandbox.write_file("/etc/lsb-release", "DISTRIB_ID=Ubuntu\nDISTRIB_RELEASE=12.04\n")
    return sandbox


def install(box, test_installer, name, *args, env=None):
    program = box.provide(test_installer(name))
    result = box.run([program] + list(args), check=False, env=env)
    return program, result


def framed(result):
    """What the installer printed from the first frame line on."""
    out = result.stdout
    assert CALLING in out, out
    return out[out.index(CALLING):]


def test_routine_receives_the_switches_in_fixed_order(box, test_installer):
    program, result = install(box, test_installer, "report", "--relaxed", "-v", "-b",
                              "--dir", "/opt/x", "--compatibility", "-n")
    assert result.returncode == 0, result.stderr
    text = framed(result)
    assert ("coreinstall: arg [./coreinstall]\n"
            "coreinstall: arg [--batch]\n"
            "coreinstall: arg [--nobackup]\n"
            "coreinstall: arg [--verbose]\n"
            "coreinstall: arg [--compatibility]\n"
            "coreinstall: arg [--relaxed]\n"
            "coreinstall: arg [--dir]\n"
            "coreinstall: arg [/opt/x]\n"
            "coreinstall: qel.info ") in text
    assert "coreinstall: uid 0 gid 0\n" in text
    assert "\n=== Exited installation routine ===\n\n" in text


def test_without_switches_only_the_path(box, test_installer):
    program, result = install(box, test_installer, "report")
    assert result.returncode == 0, result.stderr
    text = framed(result)
    assert text.startswith(CALLING + "coreinstall: uid 0 gid 0\ncoreinstall: cwd /tmp/qel_install.")
    assert "coreinstall: arg [./coreinstall]\ncoreinstall: qel.info " in text


def test_failure_code_with_support_text(box, test_installer, build_dir):
    program, result = install(box, test_installer, "exit5", "-b")
    assert result.returncode == 2
    assert framed(result).startswith(
        CALLING + "coreinstall: failing with 5\n"
        "\n=== The installation failed with code 5 ===\n\n" + support(build_dir, program))


def test_abort_is_status_3_without_support_text(box, test_installer):
    program, result = install(box, test_installer, "exit3", "-b")
    assert result.returncode == 3
    text = framed(result)
    assert text.startswith(CALLING + "coreinstall: aborting\n"
                           "\n=== The installation was aborted ===\n\n")
    assert "support" not in text


def test_crash_names_the_signal(box, test_installer, build_dir):
    program, result = install(box, test_installer, "crash", "-b")
    assert result.returncode == 2
    assert framed(result).startswith(
        CALLING + "coreinstall: crashing\n"
        "\n=== The installation program crashed unexpectedly (Segmentation fault) ===\n\n"
        + support(build_dir, program))


def test_frame_and_support_text_in_colour(box, test_installer, build_dir):
    program, result = install(box, test_installer, "exit5", "-b", env={"QEL_FORCE_COLOR": "1"})
    assert result.returncode == 2
    out = result.stdout
    start = out.index(CYAN + CALLING)
    assert out[start:].startswith(
        CYAN + CALLING + RESET + "coreinstall: failing with 5\n"
        + CYAN + "\n=== The installation failed with code 5 ===\n\n"
        + BLUE + support(build_dir, program) + RESET + RESET)


def test_ctrl_c_in_the_routine_is_status_3(box, test_installer):
    program = box.provide(test_installer("sleep"))
    child = box.spawn([program, "-b"], env={"QEL_NO_COLOR": "1"})
    child.expect_exact("coreinstall: sleeping")
    child.sendintr()
    rest = child.read()
    child.close()
    assert child.exitstatus == 3
    assert "=== The installation program crashed unexpectedly (Interrupt) ===" in rest


def descendants(pid):
    """Pids and command names of every process below pid."""
    out = subprocess.run(["ps", "-e", "-o", "pid=,ppid=,comm="], capture_output=True,
                         text=True).stdout
    table = [line.split(None, 2) for line in out.splitlines()]
    found, parents = [], {pid}
    grown = True
    while grown:
        grown = False
        for p, pp, name in table:
            if int(pp) in parents and int(p) not in parents:
                parents.add(int(p))
                found.append((int(p), name))
                grown = True
    return found


@pytest.mark.parametrize("sig", [signal.SIGINT, signal.SIGTERM], ids=["SIGINT", "SIGTERM"])
def test_routine_ended_by_a_quit_signal_alone_is_status_3(box, test_installer, sig):
    # The signal reaches the routine but not the installer, as when sudo
    # passes the terminal's interrupt on to the command only.
    program = box.provide(test_installer("sleep"))
    child = box.spawn([program, "-b"], env={"QEL_NO_COLOR": "1"})
    child.expect_exact("coreinstall: sleeping")
    routine = [p for p, name in descendants(child.pid) if name == "sleep"]
    assert len(routine) == 1
    os.kill(routine[0], sig)
    rest = child.read()
    child.close()
    assert child.exitstatus == 3
    assert ("=== The installation program crashed unexpectedly (%s) ===" % signal.strsignal(sig)
            in rest.replace("\r\n", "\n"))


NOEXEC = ("The file system of the temporary directory '%s' does not allow running programs "
          "(it is mounted noexec), so the installation routine cannot be started.")
WAY_OUT = "Please choose a directory on another file system with --tempdir.\n"


@pytest.mark.parametrize("user", [None, "ann"], ids=["root", "user"])
def test_noexec_temporary_directory_is_named_with_the_way_out(box, test_installer, user):
    box.run(["mount", "-t", "tmpfs", "-o", "noexec,mode=1777", "tmpfs", "/tmp"])
    program = box.provide(test_installer("report"))
    if user:
        box.add_user(user, "secret")
    result = box.run([program, "--batch"], user=user, check=False)
    assert result.returncode == 2, result.stdout + result.stderr
    tempdir = re.search(r"'(/tmp/qel_install\.\w{6})'", result.stderr).group(1)
    assert result.stderr.endswith("\n" + WAY_OUT)
    assert " ".join(result.stderr[:-len(WAY_OUT)].split()) == NOEXEC % tempdir
    assert "In child process" not in result.stderr
    assert CALLING not in result.stdout and "root privileges" not in result.stdout
    assert box.glob("/tmp/qel_install.*") == []

    box.run(["mkdir", "-p", "/opt/t"])
    result = box.run([program, "--batch", "--tempdir", "/opt/t/data"], check=False)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "coreinstall: uid 0" in result.stdout
