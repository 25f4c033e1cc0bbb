"""The demo product's installation routine, run as the installer runs it: in
the unpacked tree beside qel.info, as root, inside the sandbox."""

import re
import subprocess

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


# The language alone decides, whatever the test's own environment says.
ENGLISH = {"LANG": "C.UTF-8", "LC_ALL": "", "LANGUAGE": ""}
GERMAN = {"LANG": "de_DE.UTF-8", "LC_ALL": "", "LANGUAGE": ""}

# What the routine shows, in both languages: {key: (English, German)}.
SCREEN = {
    "installing": ("Installing QEL Zonal Outpost Probe Server 2.00\n",
                   "Installiere QEL Zonal Outpost Probe Server 2.00\n"),
    "found": ("Found version 2.00 in /opt/qel/zop\n",
              "Version 2.00 in /opt/qel/zop gefunden\n"),
    "backup": ("Backup of the existing installation: %s\n",
               "Sicherung der vorhandenen Installation: %s\n"),
    "kept": ("Kept your /opt/qel/zop/etc/zop.conf; the new default is "
             "/opt/qel/zop/etc/zop.conf.new\n",
             "Ihre /opt/qel/zop/etc/zop.conf wurde behalten; die neue Vorgabe ist "
             "/opt/qel/zop/etc/zop.conf.new\n"),
    "summary": ("\nQEL Zonal Outpost Probe Server 2.00 is installed in /opt/qel/zop\n"
                "Start the daemon:     /opt/qel/zop/sbin/qelzopd\n"
                "Check the daemon:     /opt/qel/zop/bin/zop-status\n"
                "Uninstall:            /opt/qel/zop/sbin/zop-uninstall\n",
                "\nQEL Zonal Outpost Probe Server 2.00 ist in /opt/qel/zop installiert\n"
                "Daemon starten:       /opt/qel/zop/sbin/qelzopd\n"
                "Daemon prüfen:        /opt/qel/zop/bin/zop-status\n"
                "Deinstallieren:       /opt/qel/zop/sbin/zop-uninstall\n"),
    "restore": ("The previous installation is saved in %s\n"
                "To put it back:       zop-installer --restore %s\n",
                "Die vorige Installation ist gesichert in %s\n"
                "Wiederherstellen:     zop-installer --restore %s\n"),
    "directory": ("Installation directory [%s]: ", "Installationsverzeichnis [%s]: "),
    "confirm": ("Install QEL Zonal Outpost Probe Server 2.00 into %s? (yes/y/no/n) ",
                "QEL Zonal Outpost Probe Server 2.00 nach %s installieren? (ja/j/nein/n) "),
    "aborted": ("Installation of QEL Zonal Outpost Probe Server aborted.",
                "Installation von QEL Zonal Outpost Probe Server abgebrochen."),
}
LANGUAGES = {"en": (ENGLISH, 0), "de": (GERMAN, 1)}


def screen(language, key):
    return SCREEN[key][LANGUAGES[language][1]]


@pytest.mark.parametrize("language", sorted(LANGUAGES))
def test_installation_and_update_screens(box, language):
    env = LANGUAGES[language][0]
    result = coreinstall(box, "--batch", env=env)
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stdout == screen(language, "installing") + screen(language, "summary")
    assert result.stderr == ""

    box.write_file(ROOT + "/etc/zop.conf", "probe_interval = 5\n")
    result = coreinstall(box, "--batch", env=env)
    assert result.returncode == 0, result.stdout + result.stderr
    [backup] = backups(box)
    assert result.stdout == (screen(language, "installing") + screen(language, "found")
                             + screen(language, "backup") % backup + screen(language, "kept")
                             + screen(language, "summary")
                             + screen(language, "restore") % (backup, backup))


@pytest.mark.parametrize("language", sorted(LANGUAGES))
def test_installed_programs_speak_the_language(box, language):
    env = LANGUAGES[language][0]
    assert coreinstall(box, "--batch").returncode == 0
    # The installation brings the catalogues: nothing of the unpacked data is needed.
    box.run(["rm", "-rf", "/tmp/unpacked"])
    status = box.run([ROOT + "/bin/zop-status"], env=env).stdout
    assert status == {
        "en": "QEL Zonal Outpost Probe Server, installed in /opt/qel/zop\n"
              "Version: 2.00\nDaemon: not running\n",
        "de": "QEL Zonal Outpost Probe Server, installiert in /opt/qel/zop\n"
              "Version: 2.00\nDaemon: läuft nicht\n"}[language]
    usage = box.run([ROOT + "/sbin/qelzopd", "--bogus"], env=env, check=False).stderr
    assert usage.startswith({"en": "usage: qelzopd", "de": "Aufruf: qelzopd"}[language])

    child = box.spawn([ROOT + "/sbin/zop-uninstall"], env=env)
    child.expect_exact({"en": "Remove QEL Zonal Outpost Probe Server from /opt/qel/zop? "
                              "(yes/y/no/n) ",
                        "de": "QEL Zonal Outpost Probe Server aus /opt/qel/zop entfernen? "
                              "(ja/j/nein/n) "}[language])
    child.sendline({"en": "y", "de": "j"}[language])
    child.expect_exact({"en": "QEL Zonal Outpost Probe Server was removed from /opt/qel/zop",
                        "de": "QEL Zonal Outpost Probe Server wurde aus /opt/qel/zop "
                              "entfernt"}[language])
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 0
    assert not box.exists(ROOT)


def test_fresh_batch_installation(box):
    productcfg(box, "set", "kest", "--root", "/opt/qel/kest")
    result = coreinstall(box, "--batch")
    assert result.returncode == 0, result.stdout + result.stderr

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


def spawn(box, *args, env=None):
    return box.spawn(["./coreinstall"] + list(args), cwd=UNPACKED, env=env)


@pytest.mark.parametrize("language, answers", [
    ("en", ["y"]), ("en", ["yes"]), ("de", ["j"]), ("de", ["ja"]),
    # Anything but the words of the language asks again.
    ("en", ["", "ja", "Y", "y"]), ("de", ["", "y", "yes", "nope", "j"])])
def test_interactive_installation_into_a_chosen_directory(box, language, answers):
    child = spawn(box, env=LANGUAGES[language][0])
    child.expect_exact(screen(language, "directory") % ROOT)
    child.sendline("/opt/chosen")
    for answer in answers:
        child.expect_exact(screen(language, "confirm") % "/opt/chosen")
        child.sendline(answer)
    child.expect_exact(screen(language, "summary").replace(ROOT, "/opt/chosen").strip()
                       .replace("\n", "\r\n"))
    child.expect(pexpect.EOF)
    child.close()
    assert child.exitstatus == 0
    assert box.exists("/opt/chosen/sbin/qelzopd")


@pytest.mark.parametrize("language, answer", [
    ("en", "n"), ("en", "no"), ("de", "n"), ("de", "nein"), ("en", None), ("de", None)])
def test_declining_or_end_of_input_aborts(box, language, answer):
    child = spawn(box, env=LANGUAGES[language][0])
    child.expect_exact(screen(language, "directory") % ROOT)
    child.sendline("")
    child.expect_exact(screen(language, "confirm") % ROOT)
    if answer is None:
        child.sendeof()
    else:
        child.sendline(answer)
    child.expect_exact(screen(language, "aborted"))
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


class Daemons:
    """Processes started in the box, all stopped at the end of the test."""

    def __init__(self, box):
        self.box = box
        self.started = []

    def start(self, argv):
        process = subprocess.Popen(self.box.command(argv), stdout=subprocess.PIPE, text=True)
        self.started.append(process)
        return process

    def qelzopd(self, root):
        process = self.start([root + "/sbin/qelzopd", "-f"])
        assert process.stdout.readline() == "qelzopd: running as process %d\n" % process.pid
        return process

    def stop_all(self):
        for process in self.started:
            if process.poll() is None:
                process.kill()
            process.wait()
            process.stdout.close()


@pytest.fixture
def daemons(box):
    started = Daemons(box)
    yield started
    started.stop_all()


def test_uninstall_stops_only_the_daemon_of_its_installation(box, daemons):
    assert coreinstall(box, "--batch").returncode == 0
    box.run(["cp", "-R", ROOT, "/opt/qel/other"])
    box.run(["cp", "/bin/sleep", "/opt/qel/qelzopd"])
    ours = daemons.qelzopd(ROOT)
    assert box.read_file(ROOT + "/run/qelzopd.pid") == "%d\n" % ours.pid
    other_installation = daemons.qelzopd("/opt/qel/other")
    other_program = daemons.start(["/opt/qel/qelzopd", "1000"])

    result = box.run([ROOT + "/sbin/zop-uninstall", "--batch"], check=False)
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith("Stopped qelzopd (process %d)\n" % ours.pid)
    assert ours.wait(timeout=30) == 0
    assert ours.stdout.read() == "qelzopd: stopping on SIGTERM\n"
    assert other_installation.poll() is None
    assert other_program.poll() is None
    assert box.read_file("/opt/qel/other/run/qelzopd.pid") == "%d\n" % other_installation.pid


def test_uninstall_leaves_a_process_that_a_stale_pid_file_names(box, daemons):
    assert coreinstall(box, "--batch").returncode == 0
    box.run(["cp", "/bin/sleep", "/opt/qel/qelzopd"])
    unrelated = daemons.start(["/opt/qel/qelzopd", "1000"])
    box.write_file(ROOT + "/run/qelzopd.pid", "%d\n" % unrelated.pid)

    result = box.run([ROOT + "/sbin/zop-uninstall", "--batch"], check=False)
    assert result.returncode == 0, result.stderr
    assert "Stopped" not in result.stdout
    assert not box.exists(ROOT)
    assert unrelated.poll() is None
