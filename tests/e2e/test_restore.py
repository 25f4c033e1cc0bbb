"""--restore: an earlier installation put back from the backup that an update
made, with the questions about the shared files and the product root."""

import pytest

from steps import at_exit, banner, clean_env, run_tty, supported_box

YES_NO = "(yes/y/no/n): "
ROOT = "/opt/qel/zop"
FIRST = "Do you really want to restore QEL Zonal Outpost Probe Server from the backup archive"
SHARED = "Do you want to overwrite these files with the versions from the backup archive?"
REMOVE = "Do you want to delete this directory before restoring the backup files?"


def flat(text):
    return " ".join(text.split())


@pytest.fixture
def box(sandbox, installer):
    return supported_box(sandbox, installer)


def installer_run(box, argv):
    return box.run(clean_env(LANG="C") + [box.exe] + argv, check=False)


@pytest.fixture
def updated(box):
    """An installation, an update of it with its backup, and changes made after
    the update; returns the path of the backup."""
    assert installer_run(box, ["--batch"]).returncode == 0
    box.write_file(ROOT + "/etc/zop.conf", "setting = before\n")
    box.write_file(ROOT + "/doc/notes", "written before the update\n")
    update = installer_run(box, ["--batch"])
    assert update.returncode == 0, update.stdout + update.stderr
    backups = box.glob("/var/backups/qel/zop-*.tar")
    assert len(backups) == 1 and "Backup of the existing installation: " + backups[0] \
        in update.stdout
    # What happened since: a changed setting, a new file, another product.
    box.write_file(ROOT + "/etc/zop.conf", "setting = after\n")
    box.write_file(ROOT + "/added-later", "x\n")
    box.run(["rm", ROOT + "/doc/notes"])
    box.sh("printf 'wyv = { root = \"/opt/qel/wyv\"; };\\n' >> /etc/qel.info")
    box.shared_after = box.read_file("/etc/qel.info")
    return backups[0]


def restore(box, archive, answers, cwd="/"):
    argv = box.command(clean_env(LANG="C") + [box.exe, "--restore", archive], cwd=cwd)
    return run_tty(argv, [(YES_NO, a) for a in answers])


def snapshot(box):
    return box.sh("find /opt /etc/qel.info -printf '%p %s %T@\\n' 2>/dev/null | sort; "
                  "cat /etc/qel.info 2>/dev/null; true").stdout


@pytest.mark.parametrize("overwrite", [True, False], ids=["overwrite", "keep-shared"])
@pytest.mark.parametrize("remove", [True, False], ids=["remove-root", "keep-root"])
def test_restore_puts_back_the_earlier_files(box, updated, overwrite, remove):
    status, out = restore(box, updated, ["y", "yes" if overwrite else "no",
                                         "y" if remove else "n"])
    assert status == 0, out
    assert box.read_file(ROOT + "/etc/zop.conf") == "setting = before\n"
    assert box.read_file(ROOT + "/doc/notes") == "written before the update\n"
    assert box.exists(ROOT + "/added-later") is not remove
    shared = box.read_file("/etc/qel.info")
    assert ("wyv" not in shared) if overwrite else (shared == box.shared_after)

    flat_out = flat(out)
    assert flat("%s in '%s'?" % (FIRST, updated)) in flat_out
    assert flat("The following files are shared between QEL products and contain "
                "installation information and license data.") in flat_out
    assert "- '/etc/qel.info'\n" in out
    assert flat("The root directory of QEL Zonal Outpost Probe Server is already existing "
                "in") in flat_out
    assert "\n\n\t%s\n\n" % ROOT in out
    assert ("Removing %s... " % ROOT in out) is remove
    assert out.endswith("Restoring backup... \x1b[2m\x1b[32msucceeded\n\x1b[0m" + at_exit())
    assert all(len(line) <= 80 for line in out.replace("\x1b[0m", "").split("\n")
               if not line.startswith("\x1b"))


def test_relative_archive_path_is_taken_below_the_root(box, updated):
    status, out = restore(box, updated.lstrip("/"), ["y", "n", "n"], cwd="/opt/t")
    assert status == 0, out
    assert box.read_file(ROOT + "/etc/zop.conf") == "setting = before\n"


@pytest.mark.parametrize("answer", ["n", None], ids=["no", "end of input"])
def test_declining_touches_nothing(box, updated, answer):
    before = snapshot(box)
    if answer:
        status, out = restore(box, updated, [answer])
    else:
        result = box.run(clean_env(LANG="C") + [box.exe, "--restore", updated], check=False,
                         input="")
        status, out = result.returncode, result.stdout
    assert status == 3
    assert flat(FIRST) in flat(out)
    assert SHARED not in out and "Restoring" not in out
    assert snapshot(box) == before


def pipe_restore(box, archive):
    result = box.run(clean_env(LANG="C") + [box.exe, "--restore", archive], check=False,
                     input="y\ny\ny\n")
    return result.returncode, result.stdout, result.stderr


def test_missing_archive(box):
    status, out, err = pipe_restore(box, "/var/backups/qel/none.tar")
    assert status == 2
    assert out.startswith(banner() + "\n") and out.endswith(".\n")
    assert flat(out[len(banner()):]) == flat(
        "The backup archive file /var/backups/qel/none.tar is not existing. Cannot continue.")
    assert err == ""


@pytest.mark.parametrize("members", [
    ["srv/other/bin/tool"],
    # A sentinel right below "/" names no product root: nothing may be removed.
    ["sbin/zop-sentinel", "etc/qel.info"],
], ids=["other product", "sentinel below root"])
def test_archive_that_is_no_backup_of_the_product(box, members):
    for member in members:
        box.write_file("/opt/t/tree/" + member, "content\n")
    box.run(["tar", "-C", "/opt/t/tree", "-cf", "/opt/t/other.tar"] + members)
    before = snapshot(box)
    status, out, err = pipe_restore(box, "/opt/t/other.tar")
    assert status == 2
    assert out.startswith(banner() + "\n")
    assert flat(out[len(banner()):]) == flat(
        "The given backup archive file doesn't seem to be a valid backup of QEL Zonal "
        "Outpost Probe Server ('zop-sentinel' was not found in the archive).")
    assert snapshot(box) == before
    assert box.exists("/bin/sh")


def test_archive_that_cannot_be_listed(box):
    box.write_file("/opt/t/garbage.tar", "this is no tar archive\n" * 50)
    status, out, err = pipe_restore(box, "/opt/t/garbage.tar")
    assert status == 2
    assert flat(out[len(banner()):]) == flat(
        "Error trying to access backup archive file contents of /opt/t/garbage.tar. Probably "
        "this is not a valid QEL backup archive.")
    assert "tar" in err  # tar's own complaint reaches the user


STRAY = ("The backup archive file /opt/t/crafted.tar holds files that a backup of QEL Zonal "
         "Outpost Probe Server never holds: they lie neither below '%s' nor directly in /etc. "
         "Nothing was restored. The first of them:")


@pytest.mark.parametrize("members, root, named", [
    (["opt/qel/zop/sbin/zop-sentinel", "etc/cron.d/x", "etc/qel.info", "etc/ssh/sshd_config"],
     ROOT, ["etc/cron.d/x", "etc/ssh/sshd_config"]),
    # A sentinel placed in /etc makes nothing there the product's.
    (["etc/cron.d/sbin/zop-sentinel", "etc/cron.d/x"], "/etc/cron.d",
     ["etc/cron.d/sbin/zop-sentinel", "etc/cron.d/x"]),
    # Only the first five are named.
    (["opt/qel/zop/sbin/zop-sentinel", "root/.profile", "usr/local/bin/a", "usr/local/bin/b",
      "opt/qel/zopper/c", "srv/d", "srv/e", "srv/f"], ROOT,
     ["root/.profile", "usr/local/bin/a", "usr/local/bin/b", "opt/qel/zopper/c", "srv/d"]),
], ids=["cron and ssh", "sentinel in etc", "first five"])
def test_archive_with_files_outside_the_product_is_refused(box, members, root, named):
    for member in members:
        box.write_file("/opt/t/tree/" + member, "content\n")
    box.run(["tar", "-C", "/opt/t/tree", "-cf", "/opt/t/crafted.tar"] + members)
    targets = ["/" + member for member in members]
    before = box.sh("cat %s 2>&1; true" % " ".join(targets)).stdout
    status, out, err = pipe_restore(box, "/opt/t/crafted.tar")
    assert status == 2, out + err
    assert out.startswith(banner() + "\n")
    listed = "".join("- '%s'\n" % member for member in named)
    assert out.endswith(":\n" + listed)
    assert flat(out[len(banner()):-len(listed)]) == flat(STRAY % root)
    assert "Do you really want" not in out and "Restoring" not in out
    # Nothing was extracted.
    assert box.sh("cat %s 2>&1; true" % " ".join(targets)).stdout == before
    assert "content" not in before


def test_named_pipe_as_archive_is_refused(box):
    box.run(["mkfifo", "/opt/t/pipe.tar"])
    status, out, err = pipe_restore(box, "/opt/t/pipe.tar")
    assert status == 2
    assert flat(out[len(banner()):]) == flat(
        "The backup archive file /opt/t/pipe.tar is not a regular file. Cannot continue.")
    assert err == ""


@pytest.mark.parametrize("answers", [["y"], ["y", "n"]],
                         ids=["at the shared files", "at the product root"])
def test_ctrl_c_at_a_later_question_restores_nothing(box, updated, answers):
    before = snapshot(box)
    child = box.spawn(clean_env(LANG="C", QEL_NO_COLOR="1") + [box.exe, "--restore", updated],
                      timeout=60)
    for answer in answers:
        child.expect_exact(YES_NO)
        child.sendline(answer)
    child.expect_exact(YES_NO)
    child.sendintr()
    rest = child.read()
    child.close()
    assert (child.exitstatus, child.signalstatus) == (3, None), rest
    assert "Removing" not in rest and "Restoring" not in rest
    assert snapshot(box) == before


def test_failing_extraction_is_reported_and_status_2(box, updated):
    # tar lists the backup but fails to extract it.
    box.write_file("/home/qel-bin/fake/tar", '#!/bin/sh\ncase "$1" in xf) '
                   'echo "tar: no room left" >&2; exit 2;; esac\nexec /usr/bin/tar "$@"\n',
                   mode=0o755)
    before = snapshot(box)
    result = box.run(clean_env("/home/qel-bin/fake:/usr/bin:/bin", LANG="C")
                     + [box.exe, "--restore", updated], check=False, input="y\nn\nn\n")
    assert result.returncode == 2, result.stdout + result.stderr
    assert result.stdout.endswith("\nRestoring backup... failed\n"), result.stdout
    assert result.stderr == ("tar: no room left\n"
                             "Failed to restore data from the backup archive.\n\n")
    assert snapshot(box) == before
