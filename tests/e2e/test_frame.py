"""The installer's frame as a user meets it: version, usage, parse errors,
exit statuses, the banner and its colour, the first checks of the sequence.

Every run starts the real executable as "./zop-installer" from its own
directory, so the program name in the texts is that one. The tests run as
root in CI, so the installer runs in a sandbox shared by the module."""

import os
import subprocess

import pexpect
import pytest

from sandbox import BIN_DIR

PROGRAM = "./zop-installer"
VERSION = b"\n./zop-installer  version: QEL Zonal Outpost Probe Server 2.00\n\n"
HELP = "\nUSAGE: \n\n   ./zop-installer  [--restore <path>] [--supported] [--verify] [-k]\n                    [--tempdir <path>] [-x <path>] [-i] [--relaxed]\n                    [--compatibility] [-v] [-d <path>] [-n] [-b] [--su]\n                    [--sudo] [--] [--version] [-h]\n\n\nWhere: \n\n   --restore <path>\n     Request to restore data from the given backup archive.\n\n   --supported\n     Shows a list of supported Linux distributions.\n\n   --verify\n     Verify the contained archive data and exit.\n\n   -k,  --keep\n     Keep the unpacked, temporary installation data after installation.\n\n   --tempdir <path>\n     Use the given path for temporary installation data. By default a\n     unique, random directory will be used.\n\n   -x <path>,  --unpack <path>\n     Don't actually install the QEL software package, only unpack the\n     contained data into the given directory.\n\n   -i,  --info\n     Print information about this QEL software package and about the Linux\n     environment. Then exit.\n\n   --relaxed\n     Allows to ignore certain error conditions during installation.\n\n   --compatibility\n     Enables logic for better compatibility with unexpected environment\n     conditions, while sacrificing some features. Use this only if the\n     installer isn't working for you without it.\n\n   -v,  --verbose\n     Enables extra message output for debugging or security purposes.\n\n   -d <path>,  --dir <path>\n     Specifies the default installation directory for the product. If an\n     unattended batch installation is performed this value will be used.\n\n   -n,  --nobackup\n     Don't create a backup of an old installation, if this is an update.\n\n   -b,  --batch\n     Unattended batch installation mode. No questions asked.\n\n   --su\n     Force use of 'su' for gaining root privileges.\n\n   --sudo\n     Force use of 'sudo' for gaining root privileges.\n\n   --,  --ignore_rest\n     Ignores the rest of the labeled arguments following this flag.\n\n   --version\n     Displays version information and exits.\n\n   -h,  --help\n     Displays usage information and exits.\n\n\n   Installer program for QEL Zonal Outpost Probe Server\n\n".encode()
BRIEF = '   ./zop-installer  [--restore <path>] [--supported] [--verify] [-k]\n                    [--tempdir <path>] [-x <path>] [-i] [--relaxed]\n                    [--compatibility] [-v] [-d <path>] [-n] [-b] [--su]\n                    [--sudo] [--] [--version] [-h]\n'.encode()
BANNER = (b"                       ----------------------------------\n"
          b"                       > QEL Zonal Outpost Probe Server <\n"
          b"                       ----------------------------------\n\n")
BLUE = b"\x1b[1m\x1b[34m"
RESET = b"\x1b[0m"
# The four predefined colour guards reset their streams at the end of the
# process, which shows on a terminal: in the run that extracted the
# catalogues and in the run that it started.
EXIT_RESETS = RESET * 4 * 2


EMPTY_PATH = b"Value '' does not meet constraint: the path must not be empty"


def failure(arg_id, error):
    return (b"PARSE ERROR: " + arg_id + b"\n             " + error + b"\n\nBrief USAGE: \n"
            + BRIEF + b"\nFor complete USAGE and HELP type: \n   ./zop-installer --help\n\n")


def clean_env(**extra):
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8"}
    env.update(extra)
    return env


@pytest.fixture(scope="module")
def box(module_sandbox, installer):
    module_sandbox.provide(installer)
    return module_sandbox


def in_box(box, args, env=None, cwd=BIN_DIR):
    """The command that starts the installer in the box from cwd, as PROGRAM
    when cwd is its directory, with env as its whole environment."""
    assigns = ["%s=%s" % kv for kv in (env or clean_env()).items()]
    program = PROGRAM if cwd == BIN_DIR else BIN_DIR + "/zop-installer"
    return box.command(["env", "-i", "--chdir", cwd] + assigns + [program] + args)


@pytest.fixture
def run(box):
    """run(args, **env): the installer through pipes; (status, stdout, stderr)."""
    def go(args, env=None):
        result = subprocess.run(in_box(box, args, env), stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=60)
        return result.returncode, result.stdout, result.stderr
    return go


@pytest.fixture
def run_tty(box):
    """run_tty(args, **env): the installer in a pseudo-terminal; (status, bytes)."""
    def go(args, env=None):
        argv = in_box(box, args, env)
        child = pexpect.spawn(argv[0], argv[1:], timeout=60)
        output = child.read()
        child.close()
        return child.exitstatus, output.replace(b"\r\n", b"\n")
    return go


def test_version_through_pipes(run):
    assert run(["--version"]) == (0, VERSION, b"")


def test_version_on_a_terminal(run_tty):
    assert run_tty(["--version"]) == (0, VERSION + EXIT_RESETS)


def test_help_lists_switches_in_reverse_order(run):
    assert run(["--help"]) == (0, HELP, b"")
    assert run(["-h"]) == (0, HELP, b"")


@pytest.mark.parametrize("args, arg_id, error", [
    (["--bogus"], b"Argument: --bogus", b"Couldn't find match for argument"),
    # user and group exist only for products of kind 0; this one is kind 5.
    (["--user", "x"], b"Argument: --user", b"Couldn't find match for argument"),
    (["-g", "qel"], b"Argument: -g", b"Couldn't find match for argument"),
    (["--dir"], b"Argument: -d (--dir)", b"Missing a value for this argument!"),
    (["--tempdir"], b"Argument: (--tempdir)", b"Missing a value for this argument!"),
    (["-b", "--batch"], b"Argument: -b (--batch)", b"Argument already set!"),
    (["--restore", "a", "--restore", "b"], b"Argument: (--restore)", b"Argument already set!"),
    (["--reinvoked"], b"Argument: --reinvoked", b"Couldn't find match for argument"),
    (["--reinvoked", "--"], b"Argument: --reinvoked", b"Couldn't find match for argument"),
    # An empty path would name the working directory or nothing at all.
    (["--unpack", ""], b"Argument: -x (--unpack)", EMPTY_PATH),
    (["-x", ""], b"Argument: -x (--unpack)", EMPTY_PATH),
    (["--tempdir", ""], b"Argument: (--tempdir)", EMPTY_PATH),
    (["--dir", ""], b"Argument: -d (--dir)", EMPTY_PATH),
    (["--restore", "", "--batch"], b"Argument: (--restore)", EMPTY_PATH),
])
def test_parse_errors(run, args, arg_id, error):
    assert run(args) == (1, b"", failure(arg_id, error))


def test_combined_short_switches(run):
    for args in (["-b", "-k", "--supported"], ["-bk", "--supported"]):
        status, out, err = run(args)
        assert b"PARSE ERROR" not in err
        assert status != 1
        assert b"Performing an unattended batch installation\n" in out


def test_banner_through_pipes_has_no_colour(run):
    status, out, err = run(["--supported"])
    assert out.startswith(BANNER)
    assert b"\x1b" not in out + err


def test_banner_on_a_terminal_is_bright_blue(run_tty):
    status, out = run_tty(["--supported"])
    assert out.startswith(BLUE + BANNER + RESET)


def test_forced_colour_through_pipes(run):
    status, out, err = run(["--supported"], env=clean_env(QEL_FORCE_COLOR="1"))
    assert out.startswith(BLUE + BANNER + RESET)


@pytest.mark.parametrize("extra", [{"QEL_NO_COLOR": "1"},
                                   {"QEL_NO_COLOR": "", "QEL_FORCE_COLOR": "1"}])
def test_no_colour_wins_everywhere(run, run_tty, extra):
    status, out = run_tty(["--supported"], env=clean_env(**extra))
    assert out.startswith(BANNER)
    assert b"\x1b" not in out
    status, out = run_tty(["--bogus"], env=clean_env(**extra))
    assert status == 1 and b"\x1b" not in out


@pytest.mark.parametrize("routine, reason", [
    (None, b"No such file or directory (2)"),
    ("#!/bin/sh\nexit 0\n", b"Permission denied (13)")], ids=["missing", "not executable"])
def test_privileged_run_goes_straight_to_the_routine(box, routine, reason):
    # No banner, no checks, no unpacking: the routine is looked for in the
    # working directory, where it is missing or may not be run.
    box.run(["rm", "-rf", "/opt/routine"])
    box.run(["mkdir", "-p", "/opt/routine"])
    if routine:
        box.write_file("/opt/routine/coreinstall", routine, mode=0o644)
    result = subprocess.run(in_box(box, ["-b", "--", "--reinvoked"], cwd="/opt/routine"),
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    status, out, err = result.returncode, result.stdout, result.stderr
    assert status == 2
    assert out.startswith(b"Performing an unattended batch installation\n"
                          b"=== Calling installation routine ===\n\n"
                          b"\n=== The installation failed with code 125 ===\n\n"
                          b"If you can't solve the problem on your own")
    assert b"(./coreinstall):\n" in err
    assert reason in err


def test_marker_elsewhere_is_no_privileged_run(run):
    status, out, err = run(["--supported", "--", "--reinvoked", "x"])
    assert out.startswith(BANNER)


def test_unpack_and_restore_refused_together(run, tmp_path):
    status, out, err = run(["-x", "somewhere", "--restore", "backup.tar"])
    assert status == 2
    assert out == BANNER
    assert err == b"The unpack and restore options cannot be used at the same time\n"


def german(i18n_dir):
    return clean_env(LANG="de_DE.UTF-8", QEL_I18N_DIR=str(i18n_dir))


def test_parser_texts_in_german(run, i18n_dir):
    status, out, err = run(["--bogus"], env=german(i18n_dir))
    assert status == 1
    assert err.startswith("FEHLER BEIM EINLESEN: Argument: --bogus\n"
                          "             Kein passender Schalter für das Argument gefunden\n\n"
                          "Kurze BENUTZUNG: \n".encode())
    assert err.endswith("Für die vollständige BENUTZUNG und HILFE eingeben: \n"
                        "   ./zop-installer --help\n\n".encode())
    status, out, err = run(["--dir"], env=german(i18n_dir))
    assert "Für dieses Argument fehlt ein Wert!".encode() in err


def test_version_and_usage_in_german(run, i18n_dir):
    assert run(["--version"], env=german(i18n_dir)) == (
        0, b"\n./zop-installer  Version: QEL Zonal Outpost Probe Server 2.00\n\n", b"")
    status, out, err = run(["--help"], env=german(i18n_dir))
    assert status == 0
    text = out.decode()
    assert text.startswith("\nBENUTZUNG: \n\n   ./zop-installer  [--restore <Pfad>] ")
    assert "\n\n\nDabei gilt: \n\n   --restore <Pfad>\n" \
           "     Daten aus dem angegebenen Sicherungsarchiv wiederherstellen.\n" in text
    for german_text in ["Zeigt Hinweise zur Benutzung an und beendet das Programm.",
                        "Zeigt die Versionsinformation an und beendet das Programm.",
                        "Ignoriert alle benannten Argumente, die diesem Schalter folgen.",
                        "Erzwingt die Verwendung von 'sudo', um Root-Rechte zu erlangen.",
                        "Unbeaufsichtigte Stapelinstallation. Es werden keine Fragen gestellt.",
                        "-x <Pfad>,  --unpack <Pfad>"]:
        assert german_text in text
    assert text.endswith("\n   Installationsprogramm für QEL Zonal Outpost Probe Server\n\n")


def test_sequence_messages_in_german(run, i18n_dir):
    status, out, err = run(["-x", "a", "--restore", "b"], env=german(i18n_dir))
    assert status == 2
    assert err == "Die Optionen unpack und restore können nicht gleichzeitig verwendet " \
                  "werden\n".encode()


def test_broken_product_configuration_reaches_main(sandbox, installer):
    sandbox.write_file("/etc/qel.info", "zop = { root = ; }\n")
    program = sandbox.provide(installer)
    result = sandbox.run([program, "--supported"], check=False)
    assert result.returncode == 2
    assert result.stdout == ""
    assert result.stderr.startswith("Error occured:\n")
    assert "/etc/qel.info" in result.stderr


@pytest.mark.parametrize("switches, made", [
    (["--unpack", "rel/inner"], ["rel/inner/qelinst/coreinstall"]),
    # Root installs without a second run: the routine gets the absolute path.
    (["--tempdir", "rel/temp", "-k", "--dir", "rel/zop"],
     ["rel/temp/qelinst/coreinstall", "rel/zop/sbin/qelzopd"]),
])
def test_relative_paths_are_taken_from_the_start_directory(box, switches, made):
    box.run(["rm", "-rf", "/opt/start", "/etc/qel.info"])
    box.run(["mkdir", "-p", "/opt/start"])
    result = subprocess.run(in_box(box, ["-b"] + switches, cwd="/opt/start"),
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    assert result.returncode == 0, result.stderr
    for path in made:
        assert box.exists("/opt/start/" + path), path
