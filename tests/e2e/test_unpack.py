"""--unpack, --tempdir and --keep: the contained archive unpacked with tar."""

import io
import re
import tarfile

import pytest

from steps import at_exit, banner, clean_env, failed, run_tty, succeeded, supported_box

STEP = "Unpacking installation data... "
PACKAGE_INFO = ("arch x86\nbuild_label release+zop-200\nbuild_nr rev17595\n"
                "build_type opt-debug\nlib_type static\nos linux\nproduct zop\n"
                "version_nr 2.00\n")
# Stand-ins for tar that let the catalogue extraction of the start-up through
# and misbehave when the installer unpacks its data.
REAL_TAR_FOR_CATALOGUES = 'case "$*" in *qelinst/i18n*) exec /usr/bin/tar "$@";; esac\n'
BIN = "/home/qel-bin/fake"


@pytest.fixture(scope="module")
def archive_tree(build_dir):
    """Every path of the demo archive, directories with a trailing "/"."""
    data = (build_dir / "lyninst" / "zop-installer_payload.payload" / "archive.tar.gz").read_bytes()
    with tarfile.open(fileobj=io.BytesIO(data), mode="r:gz") as tar:
        return sorted(m.name.rstrip("/") + ("/" if m.isdir() else "") for m in tar.getmembers())


@pytest.fixture
def box(sandbox, installer):
    return supported_box(sandbox, installer)


def tree(box, directory, user=None):
    out = box.run(["find", ".", "-mindepth", "1", "-printf", "%P%y\n"], cwd=directory,
                  user=user).stdout
    return sorted(line[:-1] + ("/" if line[-1] == "d" else "") for line in out.split())


def unpack(box, argv, user=None, path="/usr/bin:/bin"):
    return box.run(clean_env(path, LANG="C") + [box.exe] + argv, user=user, check=False)


def assert_unpacked(box, directory, archive_tree, user=None):
    assert tree(box, directory, user) == sorted(archive_tree + ["qelinst/qel.info"])
    assert box.read_file(directory + "/qelinst/qel.info") == PACKAGE_INFO


@pytest.mark.parametrize("as_user", [False, True], ids=["root", "user"])
def test_unpack_into_a_new_directory(box, archive_tree, as_user):
    user = box.add_user("ann", "secret") if as_user else None
    target = "/home/ann/data" if as_user else "/opt/t/data"
    result = unpack(box, ["--unpack", target + "/"], user)
    assert (result.returncode, result.stdout, result.stderr) == \
        (0, banner() + STEP + succeeded(), "")
    assert_unpacked(box, target, archive_tree, user)
    if as_user:
        assert box.run(["stat", "-c", "%U", target + "/qelinst/qel.info"]).stdout == "ann\n"


def test_unpack_in_a_terminal_with_verbose_lines(box):
    status, out = run_tty(box.command(clean_env("/usr/bin:/bin", LANG="C") +
                                      [box.exe, "--unpack", "rel/dir", "--verbose"], cwd="/opt/t"))
    cyan = "\x1b[2m\x1b[36m"
    assert status == 0
    assert out == (banner(True) + cyan + "\n-- extracting temporary installation data into "
                   "'/opt/t/rel/dir'\n\x1b[0m" + STEP + cyan + "\n-- creating directory "
                   "'/opt/t/rel/dir'\n\x1b[0m" + cyan + "\n-- using '/usr/bin/tar' for unpacking "
                   "installation data\n\x1b[0m" + succeeded(True) + at_exit())


def test_unpack_into_an_empty_existing_directory(box, archive_tree):
    box.run(["mkdir", "-p", "/opt/t/empty"])
    result = unpack(box, ["--unpack", "/opt/t/empty"])
    assert result.returncode == 0
    assert_unpacked(box, "/opt/t/empty", archive_tree)


def test_refused_targets_stay_as_they_were(box):
    box.write_file("/opt/t/full/keep.txt", "mine\n")
    box.write_file("/opt/t/plain", "a file\n")
    result = unpack(box, ["--unpack", "/opt/t/full"])
    assert (result.returncode, result.stdout, result.stderr) == (
        2, banner() + STEP + failed(),
        "The given path '/opt/t/full' already contains data. Refusing to unpack data into "
        "non-empty directory.\n")
    assert tree(box, "/opt/t/full") == ["keep.txt"]
    assert box.read_file("/opt/t/full/keep.txt") == "mine\n"

    result = unpack(box, ["--unpack", "/opt/t/plain"])
    # The working directory of the sequence is shown before the message.
    assert (result.returncode, result.stdout, result.stderr) == (
        2, banner() + STEP + failed() + "/tmp\n",
        "The given path '/opt/t/plain' is already existing but not a directory\n")
    assert box.read_file("/opt/t/plain") == "a file\n"


def test_directory_that_cannot_be_created(box):
    result = unpack(box, ["--unpack", "/proc/qel-data/sub"])
    assert result.returncode == 2
    assert result.stdout == banner() + STEP + failed()
    # The message and then the error's description.
    assert result.stderr.startswith("Error creating the temporary directory:\n\n#1)\n")


@pytest.mark.parametrize("script,code", [
    ("cat >/dev/null; exit 2", 2),
    ("cat >/dev/null; kill -KILL $$", 255),
], ids=["exits 2", "killed"])
def test_failing_tar(box, script, code):
    box.write_file(BIN + "/tar", "#!/bin/sh\n" + REAL_TAR_FOR_CATALOGUES + script + "\n",
                   mode=0o755)
    result = unpack(box, ["--unpack", "/opt/t/out"], path=BIN + ":/usr/bin:/bin")
    assert (result.returncode, result.stdout, result.stderr) == (
        2, banner() + STEP + failed(),
        "Error unpacking the contained tarball. '%s/tar' exited with '%d'.\n" % (BIN, code))
    assert tree(box, "/opt/t/out") == []


@pytest.mark.parametrize("code", [0, 2])
def test_tar_that_stops_reading(box, code):
    # Unread data is a failed unpacking even when tar says it succeeded.
    box.write_file(BIN + "/tar", "#!/bin/sh\n" + REAL_TAR_FOR_CATALOGUES + "exit %d\n" % code,
                   mode=0o755)
    result = unpack(box, ["--unpack", "/opt/t/out"], path=BIN + ":/usr/bin:/bin")
    assert result.returncode == 2
    assert result.stdout == banner() + STEP + failed()
    assert result.stderr.startswith("Error writing contained tar data to '%s/tar':\n" % BIN)
    if code:
        assert result.stderr.endswith("Error unpacking the contained tarball. '%s/tar' exited "
                                      "with '2'.\n" % BIN)
    assert tree(box, "/opt/t/out") == []


def test_archive_with_two_top_level_entries(sandbox, test_installer):
    sandbox.write_file("/etc/debian_version", "7.4\n")
    exe = sandbox.provide(test_installer("two-entries"))
    result = sandbox.run(clean_env(LANG="C") + [exe, "--unpack", "/opt/t/two"], check=False)
    assert (result.returncode, result.stdout, result.stderr) == (
        2, banner() + STEP + failed(), "More than one directory entries in /opt/t/two.\n")


def test_compatibility_leaves_out_the_timestamp_warning(box):
    box.write_file(BIN + "/tar", '#!/bin/sh\ncase "$*" in *qelinst/i18n*) ;; *) '
                   'echo "$*" >> /opt/t/tar-args;; esac\nexec /usr/bin/tar "$@"\n', mode=0o755)
    for i, extra in enumerate([[], ["--compatibility"]]):
        result = unpack(box, ["--unpack", "/opt/t/out%d" % i] + extra, path=BIN + ":/usr/bin:/bin")
        assert result.returncode == 0, result.stderr
    assert box.read_file("/opt/t/tar-args") == "xz --warning=no-timestamp\nxz\n"


def install(box, argv, cwd="/"):
    return box.run(clean_env(LANG="C") + [box.exe, "--batch"] + argv, cwd=cwd, check=False)


KEPT = re.compile(r"^Temporary installation data will remain in '(.*)'$", re.M)


def test_keep_leaves_fresh_temporary_directories(box, archive_tree):
    found = []
    for _ in range(2):
        result = install(box, ["--keep"])
        assert result.returncode == 0, result.stdout + result.stderr
        assert "Cleaning up" not in result.stdout
        found += KEPT.findall(result.stdout)
    assert len(found) == 2 and found[0] != found[1]
    for directory in found:
        assert re.fullmatch(r"/tmp/qel_install\.[A-Za-z0-9]{6}", directory)
        assert_unpacked(box, directory, archive_tree)


# A relative directory is taken from the directory the installer was started in.
@pytest.mark.parametrize("given,named,used", [("/opt/t/tmpdata", "/opt/t/tmpdata", "/opt/t/tmpdata"),
                                              ("rel/", "/opt/rel", "/opt/rel")])
def test_tempdir_is_used_and_removed(box, given, named, used):
    result = install(box, ["--tempdir", given], cwd="/opt")
    assert result.returncode == 0, result.stdout + result.stderr
    assert STEP + succeeded() in result.stdout
    assert result.stdout.endswith("Cleaning up temporary files... " + succeeded())
    assert not box.exists(used)
    assert box.glob("/tmp/qel_install.*") == []

    result = install(box, ["--tempdir", given, "--keep"], cwd="/opt")
    assert result.returncode == 0
    assert result.stdout.endswith("Temporary installation data will remain in '%s'\n" % named)
    assert box.exists(used + "/qelinst/coreinstall")


# Root unpacks into --tempdir and runs the routine from there: only a real
# directory of the user's own (or root's) that nobody else may write is used.
LINK = "The temporary directory '%s' is a symbolic link. Please give the path of a real directory."
OTHERS = ("The temporary directory '%s' belongs to another user. Please give a directory of "
          "your own.")
WRITABLE = ("Other users may write into the temporary directory '%s'. Please give a directory "
            "that only you can write into.")


def flat(text):
    return " ".join(text.split())


@pytest.mark.parametrize("user, setup, given, message", [
    ("ann", "mkdir /home/ann/real && ln -s /home/ann/real /home/ann/link", "/home/ann/link", LINK),
    ("ann", "ln -s /home/ann/nowhere /home/ann/link", "/home/ann/link", LINK),
    ("ann", "mkdir -m 0777 /opt/t/bobs && chown bob /opt/t/bobs", "/opt/t/bobs", OTHERS),
    ("ann", "mkdir -m 0770 /home/ann/shared", "/home/ann/shared", WRITABLE),
    ("ann", "mkdir -m 1777 /home/ann/sticky", "/home/ann/sticky", WRITABLE),
    (None, "mkdir -m 0700 /opt/t/anns && chown ann /opt/t/anns", "/opt/t/anns", OTHERS),
    (None, "true", "/tmp", WRITABLE),
], ids=["link", "dangling link", "other user's 0777", "group-writable", "sticky 1777",
        "root and a user's directory", "root and /tmp"])
def test_untrusted_tempdir_is_refused(box, user, setup, given, message):
    box.add_user("ann", "secret")
    box.add_user("bob", "secret")
    box.sh(setup + " && chown -h ann: /home/ann/* 2>/dev/null; true")
    before = box.sh("ls -lAR %s/ /home/ann/ 2>&1; ls /tmp; true" % given).stdout
    result = box.run(clean_env(LANG="C") + [box.exe, "--batch", "--tempdir", given], user=user,
                     check=False)
    assert (result.returncode, result.stdout) == (
        2, banner() + "Performing an unattended batch installation\n" + STEP + failed())
    assert result.stderr.endswith("\n") and flat(result.stderr) == flat(message % given)
    assert box.sh("ls -lAR %s/ /home/ann/ 2>&1; ls /tmp; true" % given).stdout == before


@pytest.mark.parametrize("mode", ["0700", "0755"])
def test_existing_private_tempdir_is_used(box, mode):
    box.run(["mkdir", "-m", mode, "/opt/t/mine"])
    result = install(box, ["--tempdir", "/opt/t/mine"])
    assert result.returncode == 0, result.stdout + result.stderr
    assert STEP + succeeded() in result.stdout
