"""The start-up that extracts the catalogues and runs the installer again with
QEL_I18N_DIR: translated texts from the first word on, the status of the
second run, and nothing left in /tmp."""

import io
import os
import re
import signal
import subprocess
import tarfile
import time

import pytest

from procs import program_name
from steps import at_exit, banner, clean_env, in_color, run_in, run_tty_in, supported_box, \
    YELLOW

GERMAN = {"LANG": "de_DE.UTF-8"}
WARNING = "Couldn't setup foreign language support.\nInstallation will be in English.\n\n"


@pytest.fixture
def box(sandbox, installer):
    return supported_box(sandbox, installer)


def leftovers(box):
    return box.glob("/tmp/qeli18n.*")


def test_help_and_parse_errors_in_german(box, de):
    status, out, err = run_in(box, clean_env(**GERMAN) + [box.exe, "--help"])
    assert status == 0 and err == ""
    assert de("USAGE:", "tclap") in out and "USAGE:" not in out
    assert de("Installer program for %s") % "QEL Zonal Outpost Probe Server" in out

    status, out, err = run_in(box, clean_env(**GERMAN) + [box.exe, "--no-such-switch"])
    assert status == 1 and out == ""
    assert err.startswith(de("PARSE ERROR:", "tclap") + " ")
    assert de("Couldn't find match for argument", "tclap") in err


def test_step_lines_in_german(box, de):
    status, out = run_tty_in(box, clean_env(**GERMAN) + [box.exe, "--verify"])
    assert status == 0
    assert out == banner(True) + de("Verfying contained installation data... ") \
        + "\x1b[2m\x1b[32m" + de("succeeded", "lyninfo") + "\n\x1b[0m" + at_exit()

    result = box.run(clean_env(**GERMAN) + [box.exe, "--unpack", "/opt/t/u"], check=False)
    assert result.returncode == 0
    assert result.stdout == banner() + de("Unpacking installation data... ") \
        + de("succeeded", "lyninfo") + "\n"

    result = box.run(clean_env(**GERMAN) + [box.exe, "--batch"], check=False)
    assert result.returncode == 0, result.stdout + result.stderr
    assert de("Performing an unattended batch installation") + "\n" in result.stdout
    assert result.stdout.endswith(de("Cleaning up temporary files... ")
                                  + de("succeeded", "lyninfo") + "\n")
    assert leftovers(box) == []


def test_start_up_reads_only_the_catalogues_at_the_head_of_the_archive(box, build_dir,
                                                                       test_installer, de):
    archive = (build_dir / "tests" / "installers" / "zop-installer-large_payload.payload"
               / "archive.tar.gz").read_bytes()
    with tarfile.open(fileobj=io.BytesIO(archive), mode="r:gz") as tar:
        catalogues = [m.name for m in tar.getmembers()
                      if m.name.startswith("qelinst/i18n/") and not m.isdir()]
    assert len(catalogues) >= 5
    # A tar that notes its arguments and lets through what it reads.
    fake = "/home/qel-bin/fake"
    box.write_file(fake + "/tar", '#!/bin/sh\ncase "$*" in *--occurrence*)\n'
                   '  echo "$@" >/home/qel-bin/args\n'
                   '  /usr/bin/tee /home/qel-bin/seen | /usr/bin/tar "$@";;\n'
                   '*) exec /usr/bin/tar "$@";;\nesac\n', mode=0o755)
    exe = box.provide(test_installer("large"))
    result = box.run(clean_env(fake + ":/usr/bin:/bin", **GERMAN) + [exe, "--help"], check=False)
    assert result.returncode == 0 and result.stderr == ""
    assert de("Installer program for %s") % "QEL Zonal Outpost Probe Server" in result.stdout
    assert box.read_file("/home/qel-bin/args").split() \
        == ["xz", "--occurrence", "--strip-components=2"] + catalogues
    # tar ended at the last catalogue: most of the archive was never read.
    seen = box.run(["stat", "-c", "%s", "/home/qel-bin/seen"]).stdout
    assert int(seen) < len(archive) // 4
    assert leftovers(box) == []


def test_empty_qel_i18n_dir_keeps_english(box):
    env = dict(GERMAN, QEL_I18N_DIR="")
    result = box.run(clean_env(**env) + [box.exe, "--verify"], check=False)
    assert (result.returncode, result.stdout, result.stderr) == (
        0, banner() + "Verfying contained installation data... succeeded\n", "")
    result = box.run(clean_env(**env) + [box.exe, "--bad"], check=False)
    assert result.returncode == 1 and result.stderr.startswith("PARSE ERROR: ")


@pytest.mark.parametrize("name,argv,status", [
    ("exit3", ["--batch"], 3),
    ("exit5", ["--batch"], 2),
    (None, ["--unpack", "/etc/passwd"], 2),
    (None, ["--bad"], 1),
], ids=["aborted", "failed", "unpack refused", "parse error"])
def test_first_run_ends_with_the_status_of_the_second(box, test_installer, name, argv, status):
    exe = box.provide(test_installer(name)) if name else box.exe
    result = box.run(clean_env(LANG="C") + [exe] + argv, check=False)
    assert result.returncode == status, result.stdout + result.stderr
    assert leftovers(box) == []


def children(pid):
    """(pid, program name) of the children of the process pid."""
    out = subprocess.run(["ps", "--ppid", str(pid), "-o", "pid="], capture_output=True,
                         text=True).stdout
    return [(int(p), program_name(int(p))) for p in out.split()]


def test_killed_second_run_gives_255(box):
    # Debian 12 is too new: the second run waits at the question.
    box.write_file("/etc/debian_version", "12.4\n")
    child = box.spawn(clean_env(LANG="C") + [box.exe])
    child.expect_exact("(yes/y/no/n): ")
    # The commands before the installer replace themselves with it.
    second = children(child.pid)
    assert [name for _, name in second] == ["zop-installer"]
    os.kill(second[0][0], signal.SIGKILL)
    child.expect_exact(__import__("pexpect").EOF)
    child.close()
    assert child.exitstatus == 255
    assert leftovers(box) == []


def test_interrupt_while_extracting_the_catalogues(box):
    box.write_file("/home/qel-bin/fake/tar", '#!/bin/sh\ncase "$*" in *qelinst/i18n*) '
                   'sleep 30;; esac\nexec /usr/bin/tar "$@"\n', mode=0o755)
    child = box.spawn(clean_env("/home/qel-bin/fake:/usr/bin:/bin", LANG="C") + [box.exe])
    deadline = time.time() + 10
    while not any(p.startswith("/tmp/qeli18n.") for p in leftovers(box)):
        assert time.time() < deadline
        time.sleep(0.1)
    time.sleep(0.5)
    child.sendintr()
    child.expect(__import__("pexpect").EOF)
    child.close()
    assert child.exitstatus == 3
    assert child.before.replace("\r\n", "\n").endswith(
        in_color(YELLOW, "installation was aborted\n", True) + at_exit(1))
    assert leftovers(box) == []


def fake_tar(when_extracting):
    """A tar that does this when asked for the catalogues, else the real one."""
    return ('case "$*" in *qelinst/i18n*) %s;; esac\nexec /usr/bin/tar "$@"'
            % when_extracting)


# EPIPE, in the words of the C library's German catalogue.
BROKEN_PIPE = ('\n#1\\)\n\tException occured at ".*"\n\t\n'
               '\tSystem/Library call error: .*broken pipe.* \\(32\\)\n\n')


@pytest.mark.parametrize("name,tar,before", [
    (None, None, re.escape("Unable to find the 'tar' utility\n")),
    (None, fake_tar("cat >/dev/null; exit 2"), ""),
    # Ending well before the catalogues is no early end: the rest of the
    # archive met a closed pipe, and the catalogues are missing.
    ("large", fake_tar("head -c 100 >/dev/null; exit 0"), BROKEN_PIPE),
    ("no-catalogues", None, ""),
], ids=["no tar", "tar fails", "tar ends before the catalogues", "archive without catalogues"])
def test_warning_path_goes_on_in_english(box, test_installer, name, tar, before):
    fake = "/home/qel-bin/fake"
    box.run(["mkdir", "-p", fake])
    for tool in ["sha256sum", "rm", "gzip"]:
        box.run(["ln", "-s", "/usr/bin/" + tool, fake + "/" + tool])
    if tar:
        box.write_file(fake + "/tar", "#!/bin/sh\n" + tar + "\n", mode=0o755)
    exe = box.provide(test_installer(name)) if name else box.exe
    path = fake + (":/usr/bin" if tar or name else "")
    result = box.run(clean_env(path, **GERMAN) + [exe, "--verify"], check=False)
    assert (result.returncode, result.stdout) == (
        0, banner() + "Verfying contained installation data... succeeded\n")
    assert re.fullmatch(before + re.escape(WARNING), result.stderr), result.stderr
    assert leftovers(box) == []
