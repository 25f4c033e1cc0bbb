"""Room for the unpacked data: the installer measures the free space of the
directory it unpacks into against the size the packaging step recorded, and
says how much is needed and which switch chooses another directory."""

import math

import pytest

from steps import banner, clean_env, failed, supported_box

STEP = {"en": "Unpacking installation data... ", "de": "Entpacke Installationsdaten... "}
FAILED = {"en": "failed\n", "de": "fehlgeschlagen\n"}
SMALL = "/opt/t/small"
BIN = "/home/qel-bin/fake"
REAL_TAR_FOR_CATALOGUES = 'case "$*" in *qelinst/i18n*) exec /usr/bin/tar "$@";; esac\n'


@pytest.fixture(scope="module")
def needed(build_dir):
    """The bytes the unpacked data takes, as the packaging step recorded them."""
    path = build_dir / "lyninst" / "zop-installer_payload.payload" / "archive.tar.gz.unpacked-size"
    return int(path.read_text())


@pytest.fixture
def box(sandbox, installer):
    return supported_box(sandbox, installer)


def megabytes(size, language):
    text = "%.1f MB" % (math.ceil(size / 100000) / 10)
    return text.replace(".", ",") if language == "de" else text


def mount_small(box, size):
    """A file system of size bytes (whole 4 KiB blocks) at SMALL, which only its
    owner may write: the installer refuses a temporary directory others can write."""
    box.run(["mkdir", "-p", SMALL])
    box.run(["mount", "-t", "tmpfs", "-o", "size=%d,mode=0755" % size, "tmpfs", SMALL])


def installer(box, language, argv, path="/usr/bin:/bin"):
    lang = {"en": "C", "de": "de_DE.UTF-8"}[language]
    return box.run(clean_env(path, LANG=lang) + [box.exe] + argv, check=False)


def flat(text):
    return " ".join(text.split())


def step_line(language):
    return STEP[language] + FAILED[language]


@pytest.mark.parametrize("language", ["en", "de"])
@pytest.mark.parametrize("switch, target", [("--tempdir", SMALL + "/data"),
                                            ("--unpack", SMALL + "/data"),
                                            ("--tempdir", SMALL)])
def test_too_little_room_stops_before_unpacking(box, needed, language, switch, target):
    size = needed // 2 // 4096 * 4096
    mount_small(box, size)
    result = installer(box, language, ["--batch", switch, target])
    assert result.returncode == 2
    assert result.stdout.startswith(banner())
    assert result.stdout.endswith(step_line(language))
    message = {
        "en": "Not enough free space in '{0}': the installation data needs {1}, but only {2} "
              "are available. Free some space there, or choose another directory with {3} DIR.",
        "de": "Nicht genug freier Speicherplatz in '{0}': die Installationsdaten brauchen {1}, "
              "verfügbar sind aber nur {2}. Geben Sie dort Platz frei oder wählen Sie mit {3} "
              "VERZEICHNIS ein anderes Verzeichnis."}[language]
    assert flat(result.stderr) == message.format(target, megabytes(needed, language),
                                                 megabytes(size, language), switch)
    assert all(len(line) <= 80 for line in result.stderr.splitlines())
    # Nothing was unpacked, and nothing installed.
    assert box.run(["find", SMALL, "-mindepth", "1", "!", "-name", "data"]).stdout == ""
    assert not box.exists("/etc/qel.info")


@pytest.mark.parametrize("language", ["en", "de"])
def test_space_that_runs_out_while_unpacking(box, needed, language):
    # Room enough at the start; tar fills it, as other writers might.
    mount_small(box, needed + 1024 * 1024)
    box.write_file(BIN + "/tar", "#!/bin/sh\n" + REAL_TAR_FOR_CATALOGUES +
                   "cat >/dev/null; dd if=/dev/zero of=fill bs=4096 2>/dev/null; exit 2\n",
                   mode=0o755)
    result = installer(box, language, ["--batch", "--tempdir", SMALL],
                       path=BIN + ":/usr/bin:/bin")
    assert result.returncode == 2
    assert result.stdout.endswith(step_line(language))
    first, rest = result.stderr.split("\n", 1)
    assert first == {
        "en": "Error unpacking the contained tarball. '%s/tar' exited with '2'.",
        "de": "Fehler beim Entpacken des enthaltenen Tar-Archivs. '%s/tar' endete mit "
              "'2'."}[language] % BIN
    assert flat(rest) == {
        "en": "The space in '{0}' has probably run out: the installation data needs {1}. "
              "Choose a directory with enough free space with --tempdir DIR.",
        "de": "Der Speicherplatz in '{0}' ist wahrscheinlich ausgegangen: die "
              "Installationsdaten brauchen {1}. Wählen Sie mit --tempdir VERZEICHNIS ein "
              "Verzeichnis mit genug freiem Platz."}[language].format(
                  SMALL, megabytes(needed, language))


def test_enough_room_unpacks(box, needed):
    mount_small(box, needed + 64 * 1024)
    result = installer(box, "en", ["--unpack", SMALL + "/data"])
    assert (result.returncode, result.stderr) == (0, "")
    assert box.exists(SMALL + "/data/qelinst/coreinstall")
