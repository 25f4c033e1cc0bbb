"""One language on the whole screen: a normal user installs, updates and
restores the demo product through the real su and sudo, in German and in
English. The installer, the routine and the product speak the user's
language, the routine ends with its summary, and the German screens hold no
English text of any catalogue."""

import io
import pathlib
import re
import sys

import pexpect
import pytest

from sandbox import BIN_DIR

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "po"))
import catalogues  # noqa: E402  (the catalogue reader of the catalogue test)

from test_escalation import PASSWORDS, ROOT, ROOT_PW, USER, USER_PW  # noqa: E402

PO_DIR = pathlib.Path(__file__).resolve().parents[2] / "po"
# The language alone decides, whatever the login's environment says.
LANGUAGES = {"en": {"LANG": "C.UTF-8", "LANGUAGE": "", "LC_ALL": ""},
             "de": {"LANG": "de_DE.UTF-8", "LANGUAGE": "", "LC_ALL": ""}}
YES = {"en": "y", "de": "j"}
PASSWORD_PROMPT = r"(Password|Passwort|password for|Passwort für)[^:\r\n]*: "
CONVERSION = r"%(?:\d+\$)?[-+ #0]*\d*(?:\.\d+)?[a-zA-Z]"


@pytest.fixture
def box(sandbox, installer):
    """A supported Debian, a normal user allowed to use sudo, root's password."""
    sandbox.provide(installer)
    sandbox.run(["rm", "-f", "/etc/lsb-release"])
    sandbox.write_file("/etc/debian_version", "7.4.0\n")
    sandbox.add_user(USER, USER_PW)
    sandbox.set_password("root", ROOT_PW)
    sandbox.allow_sudo(USER)
    return sandbox


def english_texts(screen):
    """The English texts of every catalogue (runs of three words or more
    between conversions and line ends, that the translation does not share)
    which the screen shows, however its lines were wrapped."""
    flat = " ".join(screen.split())
    found = []
    for po in sorted(PO_DIR.glob("*.de.po")):
        for entry in catalogues.parse_po(po.read_text(encoding="utf-8")):
            translation = " ".join(entry["msgstr"].split())
            for piece in re.split(CONVERSION + r"|\n|\t", entry["msgid"]):
                piece = " ".join(piece.split())
                if len(piece.split()) >= 3 and piece not in translation and piece in flat:
                    found.append(piece)
    return found


def run(box, language, tool, args, answers):
    """Runs the installer as the user through tool, gives the password, then
    each answer after its prompt; returns (status, the whole screen, the part
    after the password), with "\\n" line ends."""
    env = dict(LANGUAGES[language], QEL_NO_COLOR="1")
    child = box.spawn(["%s/zop-installer" % BIN_DIR, "--" + tool] + list(args), user=USER,
                      cwd=box.home(USER), env=env, timeout=90)
    seen = io.StringIO()
    child.logfile_read = seen
    child.expect(PASSWORD_PROMPT)
    before = len(seen.getvalue())
    child.sendline(PASSWORDS[tool])
    for prompt, answer in answers:
        child.expect_exact(prompt)
        child.sendline(answer)
    child.expect(pexpect.EOF)
    child.close()
    screen = seen.getvalue().replace("\r\n", "\n")
    return child.exitstatus, screen, seen.getvalue()[before:].replace("\r\n", "\n")


# The routine's part of the screen: {language: text}, formatted with the
# backup's path where an update made one.
ROUTINE_QUESTIONS = {
    "en": "Installation directory [/opt/qel/zop]: \n"
          "Install QEL Zonal Outpost Probe Server 2.00 into /opt/qel/zop? (yes/y/no/n) y\n",
    "de": "Installationsverzeichnis [/opt/qel/zop]: \n"
          "QEL Zonal Outpost Probe Server 2.00 nach /opt/qel/zop installieren? (ja/j/nein/n) j\n",
}
SUMMARY = {
    "en": "\nQEL Zonal Outpost Probe Server 2.00 is installed in /opt/qel/zop\n"
          "Start the daemon:     /opt/qel/zop/sbin/qelzopd\n"
          "Check the daemon:     /opt/qel/zop/bin/zop-status\n"
          "Uninstall:            /opt/qel/zop/sbin/zop-uninstall\n",
    "de": "\nQEL Zonal Outpost Probe Server 2.00 ist in /opt/qel/zop installiert\n"
          "Daemon starten:       /opt/qel/zop/sbin/qelzopd\n"
          "Daemon prüfen:        /opt/qel/zop/bin/zop-status\n"
          "Deinstallieren:       /opt/qel/zop/sbin/zop-uninstall\n",
}
FRESH = {
    "en": "\n=== Calling installation routine ===\n\n"
          "Installing QEL Zonal Outpost Probe Server 2.00\n" + ROUTINE_QUESTIONS["en"]
          + SUMMARY["en"] + "\n=== Exited installation routine ===\n\n"
          "Cleaning up temporary files... succeeded\n",
    "de": "\n=== Aufruf der Installationsroutine ===\n\n"
          "Installiere QEL Zonal Outpost Probe Server 2.00\n" + ROUTINE_QUESTIONS["de"]
          + SUMMARY["de"] + "\n=== Installationsroutine beendet ===\n\n"
          "Räume temporäre Dateien auf... erfolgreich\n",
}
UPDATE = {
    "en": "\n=== Calling installation routine ===\n\n"
          "Installing QEL Zonal Outpost Probe Server 2.00\n"
          "Found version 2.00 in /opt/qel/zop\n" + ROUTINE_QUESTIONS["en"]
          + "Backup of the existing installation: {0}\n"
          "Kept your /opt/qel/zop/etc/zop.conf; the new default is /opt/qel/zop/etc/zop.conf.new\n"
          + SUMMARY["en"]
          + "The previous installation is saved in {0}\n"
          "To put it back:       zop-installer --restore {0}\n"
          "\n=== Exited installation routine ===\n\n"
          "Cleaning up temporary files... succeeded\n",
    "de": "\n=== Aufruf der Installationsroutine ===\n\n"
          "Installiere QEL Zonal Outpost Probe Server 2.00\n"
          "Version 2.00 in /opt/qel/zop gefunden\n" + ROUTINE_QUESTIONS["de"]
          + "Sicherung der vorhandenen Installation: {0}\n"
          "Ihre /opt/qel/zop/etc/zop.conf wurde behalten; die neue Vorgabe ist "
          "/opt/qel/zop/etc/zop.conf.new\n"
          + SUMMARY["de"]
          + "Die vorige Installation ist gesichert in {0}\n"
          "Wiederherstellen:     zop-installer --restore {0}\n"
          "\n=== Installationsroutine beendet ===\n\n"
          "Räume temporäre Dateien auf... erfolgreich\n",
}
RESTORE = {
    "en": "\n\nDo you really want to restore QEL Zonal Outpost Probe Server from the backup \n"
          "archive in '{0}'?\n\n\t(yes/y/no/n): y\n\n"
          "The following files are shared between QEL products and contain installation \n"
          "information and license data. Overwriting them with the versions from the \n"
          "backup archive can cause data loss of already existing QEL software \n"
          "installations:\n\n- '/etc/qel.info'\n\n"
          "Do you want to overwrite these files with the versions from the backup archive?\n"
          "\n\t(yes/y/no/n): y\n\n"
          "The root directory of QEL Zonal Outpost Probe Server is already existing in\n\n"
          "\t/opt/qel/zop\n\n"
          "By removing it any files added since the creation of the backup will be \n"
          "discarded. Do you want to delete this directory before restoring the backup \n"
          "files?\n\n\t(yes/y/no/n): y\n\n"
          "Removing /opt/qel/zop... succeeded\nRestoring backup... succeeded\n",
    "de": "\n\nWollen Sie QEL Zonal Outpost Probe Server wirklich aus dem Sicherungsarchiv in \n"
          "'{0}' wiederherstellen?\n\n\t(ja/j/nein/n): j\n\n"
          "Die folgenden Dateien werden von allen QEL-Produkten gemeinsam genutzt und \n"
          "enthalten Installationsinformationen und Lizenzdaten. Werden sie mit den \n"
          "Versionen aus dem Sicherungsarchiv überschrieben, können Daten bereits \n"
          "bestehender QEL-Softwareinstallationen verloren gehen:\n\n- '/etc/qel.info'\n\n"
          "Wollen Sie diese Dateien mit den Versionen aus dem Sicherungsarchiv \n"
          "überschreiben?\n\n\t(ja/j/nein/n): j\n\n"
          "Das Wurzelverzeichnis von QEL Zonal Outpost Probe Server existiert bereits in\n\n"
          "\t/opt/qel/zop\n\n"
          "Wird es entfernt, gehen alle seit dem Erstellen der Sicherung hinzugefügten \n"
          "Dateien verloren. Wollen Sie dieses Verzeichnis vor dem Wiederherstellen der \n"
          "gesicherten Dateien löschen?\n\n\t(ja/j/nein/n): j\n\n"
          "Entferne /opt/qel/zop... erfolgreich\n"
          "Stelle die Sicherung wieder her... erfolgreich\n",
}


@pytest.mark.parametrize("tool", ["su", "sudo"])
@pytest.mark.parametrize("language", ["de", "en"])
def test_installation_update_and_restore(box, language, tool):
    questions = [("[/opt/qel/zop]: ", ""),
                 ({"de": "(ja/j/nein/n) ", "en": "(yes/y/no/n) "}[language], YES[language])]
    status, whole, after = run(box, language, tool, [], questions)
    assert status == 0, whole
    assert after == FRESH[language]
    screens = [whole]

    box.write_file(ROOT + "/etc/zop.conf", "probe_interval = 5\n")
    status, whole, after = run(box, language, tool, [], questions)
    assert status == 0, whole
    [backup] = box.glob("/var/backups/qel/zop-2.00-*.tar")
    assert after == UPDATE[language].format(backup)
    screens.append(whole)

    # The restore command of the summary, answered yes throughout.
    yes_no = {"de": "(ja/j/nein/n): ", "en": "(yes/y/no/n): "}[language]
    status, whole, after = run(box, language, tool, ["--restore", backup],
                               [(yes_no, YES[language])] * 3)
    assert status == 0, whole
    assert after == RESTORE[language].format(backup)
    # What the update brought beside the kept configuration is gone again.
    assert not box.exists(ROOT + "/etc/zop.conf.new")
    assert box.read_file(ROOT + "/etc/zop.conf") == "probe_interval = 5\n"
    screens.append(whole)
    for screen in screens:
        if language == "de":
            assert english_texts(screen) == [], screen
        else:
            assert english_texts(screen) != []
