"""Gaining root: a normal user runs the installer, which runs itself again
through the real su or sudo of the sandbox; the user types the password and
answers the installation routine's questions in a pseudo-terminal."""

import re
import subprocess
import time

import pexpect
import pytest

from sandbox import BIN_DIR, ROOT_PATH, USER_PATH

USER = "qeltester"
USER_PW = "userpw"
ROOT_PW = "rootpw"
# What each tool asks for: root's password or the user's own.
PASSWORDS = {"su": ROOT_PW, "sudo": USER_PW}
ROOT = "/opt/qel/zop"
NAME = "QEL Zonal Outpost Probe Server"
SU_PROMPT = "Password: "
CREDENTIALS = "Please provide the required credentials"
# Only the commands the unprivileged run needs, without su and sudo.
TOOLLESS_PATH = "/home/qel-path"


def words(text):
    """A pattern for text wherever the 80-column wrapping broke its lines."""
    return r"\s+".join(re.escape(w) for w in text.split())


def paragraphs(tool):
    return [words("To continue installation, root privileges are required."),
            words("The '%s' utility will now be called to reinvoke the installation "
                  "script with elevated rights." % tool)]


@pytest.fixture
def box(sandbox, installer, test_installer):
    """A Debian system within the support range, a normal user, root's password."""
    sandbox.provide(installer)
    for name in ("report", "exit3", "exit5", "crash"):
        sandbox.provide(test_installer(name))
    sandbox.run(["rm", "-f", "/etc/lsb-release"])
    sandbox.write_file("/etc/debian_version", "7.4.0\n")
    sandbox.add_user(USER, USER_PW)
    sandbox.set_password("root", ROOT_PW)
    return sandbox


def ubuntu(box):
    box.write_file("/etc/lsb-release", "DISTRIB_ID=Ubuntu\nDISTRIB_RELEASE=12.04\n"
                   "DISTRIB_CODENAME=precise\nDISTRIB_DESCRIPTION=\"Ubuntu 12.04 LTS\"\n")


def start(box, *args, program="zop-installer", user=USER, env=None):
    environment = {"QEL_NO_COLOR": "1"}
    environment.update(env or {})
    cwd = box.home(user) if user else "/"
    return box.spawn(["%s/%s" % (BIN_DIR, program)] + list(args), user=user, cwd=cwd,
                     env=environment, timeout=60)


def escalation(child, tool):
    """Follows the unprivileged run up to the tool's password prompt."""
    child.expect_exact("> %s <" % NAME)
    child.expect_exact("Unpacking installation data... succeeded")
    for paragraph in paragraphs(tool):
        child.expect(paragraph)
    if tool == "su":
        child.expect_exact(CREDENTIALS + "\r\n" + SU_PROMPT)
    else:
        child.expect(re.escape(CREDENTIALS) + r"\r\npassword for %s@[^:\s]+: " % USER)


def interactive_routine(child, root=ROOT):
    """Takes the offered directory (--dir's, when given) and confirms."""
    child.expect_exact("=== Calling installation routine ===")
    child.expect_exact("Installation directory [%s]: " % root)
    child.sendline("")
    child.expect_exact("Install %s 2.00 into %s? (yes/y/no/n) " % (NAME, root))
    child.sendline("y")
    child.expect_exact("%s 2.00 is installed in %s" % (NAME, root))
    child.expect_exact("=== Exited installation routine ===")


def finish(child):
    child.expect(pexpect.EOF)
    child.close()
    return child.before, child.exitstatus


def assert_no_temporary_data(box):
    assert box.glob("/tmp/qel_install.*") == []
    assert box.glob("/tmp/qeli18n.*") == []


def assert_installed(box, root=ROOT):
    for path in ("sbin/qelzopd", "sbin/zop-sentinel", "etc/zop.conf", "doc/README"):
        assert box.exists("%s/%s" % (root, path)), path
    assert box.run(["find", root, "!", "-group", "qel"]).stdout == ""
    entry = box.run([root + "/sbin/qel-productcfg", "get", "zop", "root"]).stdout
    assert entry == root + "\n"
    assert_no_temporary_data(box)


def assert_nothing_installed(box):
    assert not box.exists("/opt/qel")
    assert not box.exists("/etc/qel.info")
    assert_no_temporary_data(box)


# Successful installations ---------------------------------------------------

@pytest.mark.parametrize("system, switches, tool", [
    ("debian", [], "su"), ("debian", ["--sudo"], "sudo"),
    ("ubuntu", [], "sudo"), ("ubuntu", ["--su"], "su")])
def test_interactive_installation_as_a_normal_user(box, system, switches, tool):
    if system == "ubuntu":
        ubuntu(box)
    box.allow_sudo(USER)
    child = start(box, *switches)
    escalation(child, tool)
    child.sendline(PASSWORDS[tool])
    interactive_routine(child)
    output, status = finish(child)
    assert status == 0, output
    assert_installed(box)


def test_root_installs_without_escalation(box):
    child = start(box, "--batch", user=None)
    child.expect_exact("Unpacking installation data... succeeded")
    child.expect_exact("=== Calling installation routine ===")
    child.expect_exact("=== Exited installation routine ===")
    output, status = finish(child)
    assert status == 0, output
    assert "root privileges" not in output
    assert_installed(box)


# Arguments reach the privileged run unchanged ------------------------------

AWKWARD_DIR = "/opt/my zop/it's $HOME \"q\" `id`"


@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_awkward_arguments_reach_the_routine_unchanged(box, tool):
    box.allow_sudo(USER)
    child = start(box, "--" + tool, "--batch", "--dir", AWKWARD_DIR, program="zop-installer-report")
    escalation(child, tool)
    child.sendline(PASSWORDS[tool])
    output, status = finish(child)
    assert status == 0, output
    args = re.findall(r"coreinstall: arg \[(.*)\]\r\n", output)
    assert args == ["./coreinstall", "--batch", "--dir", AWKWARD_DIR]
    assert "coreinstall: uid 0 gid 0" in output


@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_installation_into_a_directory_with_blanks(box, tool):
    box.allow_sudo(USER)
    root = "/opt/my zop"
    child = start(box, "--" + tool, "--dir", root)
    escalation(child, tool)
    child.sendline(PASSWORDS[tool])
    interactive_routine(child, root)
    output, status = finish(child)
    assert status == 0, output
    assert_installed(box, root)


# Paths and the program's name as the user gave them ------------------------

@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_relative_directory_is_taken_from_the_home_directory(box, tool):
    box.allow_sudo(USER)
    child = start(box, "-b", "--" + tool, "-d", "myzop")
    escalation(child, tool)
    child.sendline(PASSWORDS[tool])
    output, status = finish(child)
    assert status == 0, output
    # Recorded so in /etc/qel.info, and the temporary data is gone.
    assert_installed(box, box.home(USER) + "/myzop")


@pytest.mark.parametrize("user", [USER, None], ids=["through su", "as root"])
def test_support_text_names_the_program_as_typed(box, user):
    path = "%s:%s" % (BIN_DIR, USER_PATH if user else ROOT_PATH)
    child = box.spawn(["zop-installer-exit5", "-b"], user=user, cwd=box.home(user or "root"),
                      env={"QEL_NO_COLOR": "1", "PATH": path}, timeout=60)
    if user:
        escalation(child, "su")
        child.sendline(ROOT_PW)
    output, status = finish(child)
    assert status == 2, output
    # Wrapped at 80 columns, which may break the name at a hyphen.
    assert "(see'zop-installer-exit5-i')" in "".join(output.split())
    assert BIN_DIR not in output


# How the privileged run ended, as the unprivileged run reports it ----------

@pytest.mark.parametrize("program, status, report", [
    ("zop-installer-exit5", 2, "Error running the installer (code=2)"),
    ("zop-installer-crash", 2, "Error running the installer (code=2)"),
    # The privileged run has reported the abort itself.
    ("zop-installer-exit3", 3, None)])
def test_failed_privileged_run(box, program, status, report):
    child = start(box, program=program)
    escalation(child, "su")
    child.sendline(ROOT_PW)
    output, got = finish(child)
    assert got == status, output
    assert "Failed gaining root privileges." not in output
    if report:
        assert report in output
    else:
        assert "Error running the installer" not in output
    # The unprivileged run still removes its temporary data.
    assert_no_temporary_data(box)


# The accounts settled by the unprivileged run reach the routine -------------

@pytest.mark.parametrize("switches, user, group", [
    ([], USER, "qel"),
    (["--user", "nobody"], "nobody", "qel"),
    (["-g", "users"], USER, "users"),
], ids=["settled here", "user given", "group given"])
@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_accounts_of_the_unprivileged_run_reach_the_routine(box, test_installer, tool, switches,
                                                          user, group):
    # Only the installer of product kind 0 has --user and --group; the
    # privileged run, as root, would otherwise settle them for root.
    program = box.provide(test_installer("report-kind0"))
    box.allow_sudo(USER)
    child = box.spawn([program, "--" + tool, "-b"] + switches, user=USER, cwd=box.home(USER),
                      env={"QEL_NO_COLOR": "1"}, timeout=60)
    escalation_prompt(child, tool)
    child.sendline(PASSWORDS[tool])
    output, status = finish(child)
    assert status == 0, output
    args = re.findall(r"coreinstall: arg \[(.*)\]\r\n", output)
    assert args == ["./coreinstall", "--batch", "--user", user, "--group", group]
    assert "coreinstall: uid 0 gid 0" in output


# Escalation refused or impossible -------------------------------------------

# After a failed authentication: which password the tool wanted, and the other way.
FAILED_ROOT = {
    "su": "Failed gaining root privileges.\r\n" + words(
        "'su' asks for the password of root. To use your own password instead, start the "
        "installer again with --sudo (you need the right to use sudo)."),
    "sudo": "Failed gaining root privileges.\r\n" + words(
        "'sudo' asks for your own password and needs your right to use sudo. Without it, start "
        "the installer again with --su and give the password of root."),
    "su-de": "Root-Rechte konnten nicht erlangt werden.\r\n" + words(
        "'su' fragt nach dem Passwort von root. Um stattdessen Ihr eigenes Passwort zu "
        "verwenden, starten Sie das Installationsprogramm erneut mit --sudo (dafür brauchen Sie "
        "das Recht, sudo zu verwenden)."),
}


def test_wrong_su_password(box):
    child = start(box)
    escalation(child, "su")
    child.sendline("wrong")
    child.expect(FAILED_ROOT["su"])
    output, status = finish(child)
    assert "Error running the installer" not in output
    assert "Calling installation routine" not in output
    assert status == 2
    assert_nothing_installed(box)


def test_wrong_sudo_password(box):
    box.allow_sudo(USER)
    child = start(box, "--sudo")
    escalation(child, "sudo")
    # sudo asks three times before it gives up.
    for attempt in range(3):
        if attempt:
            child.expect(r"password for %s@[^:\s]+: " % USER)
        child.sendline("wrong")
    child.expect(FAILED_ROOT["sudo"])
    output, status = finish(child)
    assert "Error running the installer" not in output
    assert status == 2
    assert_nothing_installed(box)


def test_wrong_su_password_in_german(box):
    child = start(box, env={"LANG": "de_DE.UTF-8"})
    child.expect(r"Passwort: |Password: ")
    child.sendline("wrong")
    child.expect(FAILED_ROOT["su-de"])
    output, status = finish(child)
    assert status == 2, output
    assert_nothing_installed(box)


def test_sudo_and_su_together_are_refused(box):
    child = start(box, "--sudo", "--su")
    child.expect_exact("Unpacking installation data... succeeded")
    child.expect_exact("Cannot use sudo and su override at the same time")
    output, status = finish(child)
    assert "password" not in output.lower()
    assert status == 2
    assert_nothing_installed(box)


def toolless_path(box):
    """A PATH with the unprivileged run's commands but neither su nor sudo."""
    box.run(["mkdir", "-p", TOOLLESS_PATH])
    for tool in ("tar", "gzip", "rm", "sh"):
        box.run(["ln", "-s", box.run(["which", tool]).stdout.strip(), TOOLLESS_PATH])
    return {"PATH": TOOLLESS_PATH}


@pytest.mark.parametrize("switch, tool", [([], "su"), (["--sudo"], "sudo"), (["--su"], "su")])
def test_selected_tool_missing_from_path(box, switch, tool):
    child = start(box, *switch, env=toolless_path(box))
    child.expect_exact("Unpacking installation data... succeeded")
    child.expect(words("The configured privilege escalation tool '%s' could not be found on "
                       "your system. Please check the --su and --sudo switches for selecting "
                       "an alternative." % tool))
    output, status = finish(child)
    assert status == 2, output
    assert_nothing_installed(box)


# The texts of the escalation, exactly, each on its stream -------------------

# Wrapped at 80 columns, after the unpacking step.
ANNOUNCEMENT = ("Unpacking installation data... succeeded\n\n"
                "To continue installation, root privileges are required.\n"
                "The 'sudo' utility will now be called to reinvoke the installation script with \n"
                "elevated rights.\n\n")
MISSING_SUDO = ("The configured privilege escalation tool 'sudo' could not be found on your \n"
                "system.\nPlease check the --su and --sudo switches for selecting an "
                "alternative.\n")


@pytest.mark.parametrize("program, switches, status, error", [
    ("zop-installer-report", ["-b"], 0, ""),
    ("zop-installer-exit5", ["-b"], 2, "\nError running the installer (code=2)\n"),
    # The privileged run has reported the abort itself.
    ("zop-installer-exit3", ["-b"], 3, ""),
    ("zop-installer", ["--su"], 2, "Cannot use sudo and su override at the same time\n"),
    ("zop-installer", ["--path-without-tools"], 2, MISSING_SUDO),
], ids=["success", "failed there", "aborted there", "both tools", "tool missing"])
def test_escalation_texts_through_pipes(box, program, switches, status, error):
    # sudo without a password: the run needs no terminal, and standard
    # output and standard error can be told apart.
    box.allow_sudo(USER, "ALL=(ALL:ALL) NOPASSWD: ALL")
    env = {"QEL_NO_COLOR": "1"}
    if "--path-without-tools" in switches:
        switches = []
        env.update(toolless_path(box))
    result = box.run(["%s/%s" % (BIN_DIR, program), "--sudo"] + switches, user=USER,
                     cwd=box.home(USER), env=env, check=False)
    assert result.returncode == status, result.stdout + result.stderr
    assert result.stderr == error
    # The announcement comes before the tool is even looked at.
    assert result.stdout[result.stdout.index("Unpacking installation data"):].startswith(
        ANNOUNCEMENT)
    assert_no_temporary_data(box)


# Interrupts -----------------------------------------------------------------

def remaining(session, seconds=10):
    """The processes of the terminal session still alive after some seconds.

    Every process of the run (installers, tool, routine) stays in the
    session that the pseudo-terminal started; the sandbox shares the host's
    process table."""
    deadline = time.monotonic() + seconds
    while True:
        listing = subprocess.run(["ps", "-o", "pid=,args=", "-s", str(session)],
                                 capture_output=True, text=True).stdout.strip()
        if not listing or time.monotonic() > deadline:
            return listing
        time.sleep(0.2)


@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_ctrl_c_at_the_password_prompt_installs_nothing(box, tool):
    box.allow_sudo(USER)
    child = start(box, "--" + tool)
    escalation(child, tool)
    child.sendintr()
    output, status = finish(child)
    assert status == 3, output
    assert output.endswith("\r\nThe installation was aborted\r\n"
                           "Cleaning up temporary files... succeeded\r\n"), output
    assert "Calling installation routine" not in output
    assert_nothing_installed(box)
    assert remaining(child.pid) == ""


@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_ctrl_c_in_the_privileged_run_ends_everything(box, tool):
    box.allow_sudo(USER)
    child = start(box, "--" + tool)
    escalation(child, tool)
    child.sendline(PASSWORDS[tool])
    # The routine asks as root, in the privileged run.
    child.expect_exact("Installation directory [%s]: " % ROOT)
    child.sendintr()
    output, status = finish(child)
    assert status == 3, output
    assert "Error running the installer" not in output
    assert remaining(child.pid) == ""
    assert_nothing_installed(box)


# The privileged run finds its programs on root's fixed PATH ----------------

ROOT_PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"


def own_tar(box):
    """A `tar` of the user's own, first in her PATH, that notes who ran it;
    returns the environment that puts it there."""
    home = box.home(USER)
    box.run(["mkdir", "-p", home + "/bin"], user=USER)
    box.write_file(home + "/bin/tar", '#!/bin/sh\necho "$(id -u) $*" >> %s/tar-calls\n'
                   'exec /usr/bin/tar "$@"\n' % home, mode=0o755,
                   owner="%s:%s" % (USER, box.group_of(USER)))
    return {"PATH": home + "/bin:/usr/local/bin:/usr/bin:/bin"}


def tar_callers(box):
    """The user ids that ran the user's own tar."""
    calls = box.read_file(box.home(USER) + "/tar-calls")
    return {line.split()[0] for line in calls.splitlines()}


def small_backup(box):
    """A backup of an installation that is gone since; returns its path."""
    box.write_file(ROOT + "/sbin/zop-sentinel", "")
    box.write_file(ROOT + "/etc/zop.conf", "setting = saved\n")
    archive = box.home(USER) + "/zop-backup.tar"
    box.run(["tar", "-C", "/", "-cf", archive, ROOT[1:]])
    box.run(["chmod", "0644", archive])
    box.run(["rm", "-r", "/opt/qel"])
    return archive


@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_users_own_tar_never_runs_as_root_in_a_restore(box, tool):
    box.allow_sudo(USER)
    archive = small_backup(box)
    child = start(box, "--" + tool, "--restore", archive, env=own_tar(box))
    escalation_prompt(child, tool)
    child.sendline(PASSWORDS[tool])
    child.expect_exact("(yes/y/no/n): ")
    child.sendline("y")
    child.expect_exact("Restoring backup... succeeded")
    output, status = finish(child)
    assert status == 0, output
    assert box.read_file(ROOT + "/etc/zop.conf") == "setting = saved\n"
    # She ran it herself (the catalogues of the start-up), root never did.
    uid = box.run(["id", "-u", USER]).stdout.strip()
    assert tar_callers(box) == {uid}


@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_routine_gets_roots_fixed_path(box, tool):
    box.allow_sudo(USER)
    child = start(box, "--" + tool, "--batch", program="zop-installer-report", env=own_tar(box))
    escalation(child, tool)
    child.sendline(PASSWORDS[tool])
    output, status = finish(child)
    assert status == 0, output
    assert "coreinstall: PATH %s\r\n" % ROOT_PATH in output
    assert "0" not in tar_callers(box)


def test_root_started_directly_keeps_its_path(box):
    own = "/home/qel-bin/own:/usr/sbin:/usr/bin:/sbin:/bin"
    child = start(box, "--batch", program="zop-installer-report", user=None, env={"PATH": own})
    output, status = finish(child)
    assert status == 0, output
    assert "coreinstall: PATH %s\r\n" % own in output


def escalation_prompt(child, tool, credentials=CREDENTIALS):
    """Waits for the tool's password prompt, whatever came before; su asks
    in words of its own, which may be translated."""
    if tool == "su":
        child.expect(re.escape(credentials) + r"\r\n\w+: ")
    else:
        child.expect(re.escape(credentials) + r"\r\npassword for %s@[^:\s]+: " % USER)


# Catalogues of the user's own reach the privileged run ---------------------

def hostile_catalogues(box, i18n_dir, tmp_path):
    """The German catalogues with every translation of a format text given
    extra conversions and %n, compiled without --check into a directory
    that every account can read; returns that directory."""
    target = BIN_DIR + "/hostile"
    box.run(["mkdir", "-p", "-m", "0755", target, target + "/de_DE",
             target + "/de_DE/LC_MESSAGES"])
    spoil = ('case "$MSGFILTER_MSGID" in *%*) sed "s/\\$/ %s%s%s%s%n%n/";; *) cat;; esac')
    for mo in sorted((i18n_dir / "de_DE" / "LC_MESSAGES").glob("*.mo")):
        po = tmp_path / (mo.stem + ".po")
        subprocess.run(["msgunfmt", "-o", str(po), str(mo)], check=True)
        subprocess.run(["msgfilter", "--keep-header", "-i", str(po), "-o", str(po),
                        "sh", "-c", spoil], check=True)
        compiled = tmp_path / mo.name
        subprocess.run(["msgfmt", "-o", str(compiled), str(po)], check=True)
        box.write_file(target + "/de_DE/LC_MESSAGES/" + mo.name, compiled.read_bytes())
    return target


@pytest.mark.parametrize("tool", ["su", "sudo"])
def test_spoilt_catalogue_formats_fall_back_to_english(box, i18n_dir, tmp_path, de, tool):
    box.allow_sudo(USER)
    catalogues = hostile_catalogues(box, i18n_dir, tmp_path)
    child = start(box, "--" + tool, "--batch", program="zop-installer-exit5",
                  env={"QEL_I18N_DIR": catalogues, "LANG": "de_DE.UTF-8"})
    # Texts without conversions stay German; a spoilt format is not used.
    child.expect(words(de("To continue installation, root privileges are required.")))
    child.expect(words("The '%s' utility will now be called to reinvoke the installation "
                       "script with elevated rights." % tool))
    escalation_prompt(child, tool, de(CREDENTIALS))
    child.sendline(PASSWORDS[tool])
    # The privileged run's formats: the routine's code and the support text.
    child.expect_exact("The installation failed with code 5")
    child.expect(words("If you can't solve the problem on your own you can contact the QEL "
                       "support by eMail at"))
    child.expect_exact("Error running the installer (code=2)")
    output, status = finish(child)
    assert status == 2, output
    assert_no_temporary_data(box)
