"""No process of an installation outlives it: an interrupt, a termination or a
hang-up, sent to the whole terminal group or to any one process, in any phase,
winds the whole installation down with status 3; SIGKILL of any one process
leaves no other behind. Within 10 seconds no installer process, routine or
temporary directory is left.

The processes: A the first run (translation start-up), B the unprivileged
installer, C the privileged run under the real su or sudo, D the routine.
Each phase is held open by something that waits for a marker file, never by
a pause that hopes to be long enough: stand-ins for tar and rm on the
user's PATH, the unsupported-system question, the password prompt, a
routine that sleeps, the restore's first question."""

import os
import re
import signal
import time

import pexpect
import pytest

from sandbox import BIN_DIR, USER_PATH

USER = "qeltester"
PASSWORDS = {"su": "rootpw", "sudo": "userpw"}
FAKE = "/home/qel-fake"
# Created by the test once its signal is sent: lets a held stand-in go on.
GO = "/tmp/qel-go"
SETTLE = 10

# A stand-in holds its phase until GO exists, then does the real work.
HOLD = 'echo "HOLD %s" >&2; while [ ! -e ' + GO + ' ]; do /bin/sleep 0.1; done\n'
FAKE_TAR = ('#!/bin/sh\ncase "$*" in\n'
            '  *qelinst/i18n*) [ "$QEL_HOLD" = bootstrap ] && { ' + HOLD % "bootstrap" + '} ;;\n'
            '  *) [ "$QEL_HOLD" = unpack ] && { ' + HOLD % "unpack" + '} ;;\n'
            'esac\nexec /usr/bin/tar "$@"\n')
FAKE_RM = ('#!/bin/sh\ncase "$*" in\n'
           '  *qel_install.*) [ "$QEL_HOLD" = cleanup ] && { ' + HOLD % "cleanup" + '} ;;\n'
           'esac\nexec /usr/bin/rm "$@"\n')
BACKUP = "/var/backups/qel/zop-test.tar"

# phase: (installer, the processes that exist then, what shows it has begun)
PHASES = {
    "bootstrap": ("report", "A", "HOLD bootstrap"),
    "question": ("report", "AB", "(yes/y/no/n): "),
    "unpack": ("report", "AB", "HOLD unpack"),
    "password": ("report", "AB", None),
    "routine": ("sleep", "ABCD", "coreinstall: sleeping"),
    "restore": ("report", "ABC", "(yes/y/no/n): "),
    "cleanup": ("report", "AB", "HOLD cleanup"),
}
# Phases that the privileged run (or the tool asking for it) takes part in,
# run with both tools.
ESCALATED = ("password", "routine", "restore")


def cases():
    for phase, (_, processes, _) in PHASES.items():
        for tool in (("su", "sudo") if phase in ESCALATED else ("su",)):
            for sig in ("INT", "TERM", "HUP"):
                for target in ("group",) + tuple(processes):
                    yield pytest.param(phase, tool, sig, target,
                                       id="-".join((phase, tool, sig, target)))
            for target in processes:
                yield pytest.param(phase, tool, "KILL", target,
                                   id="-".join((phase, tool, "KILL", target)))


def expected_status(phase, tool, sig, target):
    """(exit status, signal) of the first run as the terminal sees it."""
    if sig != "KILL":
        return 3, None
    return {
        # Killed itself: nobody is left to report.
        "A": (None, 9),
        # The first run reports a second run that did not end normally.
        "B": (255, None),
        # The privileged run did not end normally: the installation was
        # aborted (su reports the killed command as 128 + 9).
        "C": (137, None) if tool == "su" else (3, None),
        # A routine that dies of a signal other than a quit request failed.
        "D": (2, None),
    }[target]


# The process tree ---------------------------------------------------------

def stat_of(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            text = f.read()
    except OSError:
        return None
    fields = text[text.rindex(")") + 2:].split()
    # state, parent, start time
    return fields[0], int(fields[1]), int(fields[19])


def exe_of(pid):
    try:
        return os.readlink("/proc/%d/exe" % pid)
    except OSError:
        return ""


def descendants(pid):
    """{pid: start time} of pid and everything below it."""
    table = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            info = stat_of(int(entry))
            if info:
                table[int(entry)] = info
    found = {pid: table[pid][2]} if pid in table else {}
    grew = True
    while grew:
        grew = False
        for p, (_, parent, start) in table.items():
            if parent in found and p not in found:
                found[p] = start
                grew = True
    return found


def alive(processes):
    """Those of {pid: start time} that still run (zombies count as ended)."""
    left = {}
    for pid, start in processes.items():
        info = stat_of(pid)
        if info and info[2] == start and info[0] != "Z":
            left[pid] = start
    return left


def roles(first):
    """The installation's processes by role, found below the first run."""
    tree = descendants(first)
    program = exe_of(first)
    found = {"A": first}
    for pid in tree:
        info = stat_of(pid)
        if not info or pid == first:
            continue
        if exe_of(pid) == program:
            # B is started by A itself; C comes through su or sudo.
            found["B" if info[1] == first else "C"] = pid
    for pid in tree:
        info = stat_of(pid)
        if info and "C" in found and info[1] == found["C"]:
            found["D"] = pid
    return found


def wait_for_roles(first, wanted, timeout=30):
    deadline = time.monotonic() + timeout
    while True:
        found = roles(first)
        if all(r in found for r in wanted) or time.monotonic() > deadline:
            return found
        time.sleep(0.1)


# The installation ---------------------------------------------------------

@pytest.fixture
def box(sandbox, test_installer):
    for name in ("report", "sleep"):
        sandbox.provide(test_installer(name))
    sandbox.run(["rm", "-f", "/etc/lsb-release"])
    sandbox.write_file("/etc/debian_version", "7.4.0\n")
    sandbox.add_user(USER, PASSWORDS["sudo"], sudo=True)
    sandbox.set_password("root", PASSWORDS["su"])
    sandbox.write_file(FAKE + "/tar", FAKE_TAR, mode=0o755)
    sandbox.write_file(FAKE + "/rm", FAKE_RM, mode=0o755)
    sandbox.run(["chmod", "755", FAKE])
    # A backup that the restore accepts: the product root with its sentinel.
    sandbox.sh("mkdir -p /opt/qel/zop/sbin /var/backups/qel && touch /opt/qel/zop/sbin/zop-sentinel"
               " && tar cf %s -C / opt/qel/zop" % BACKUP)
    return sandbox


def start(box, phase, tool):
    program, _, _ = PHASES[phase]
    if phase == "question":
        # Too new to be supported: the installer asks whether to go on.
        box.write_file("/etc/debian_version", "12.4\n")
    args = ["--" + tool]
    if phase == "restore":
        args += ["--restore", BACKUP]
    elif phase != "question":
        args.append("--batch")
    env = {"QEL_NO_COLOR": "1", "PATH": FAKE + ":" + USER_PATH, "QEL_HOLD": phase}
    return box.spawn(["%s/zop-installer-%s" % (BIN_DIR, program)] + args, user=USER,
                     cwd=box.home(USER), env=env, timeout=60)


def reach(child, phase, tool):
    """Follows the installation until the phase is open."""
    marker = PHASES[phase][2]
    if phase in ("password", "routine", "restore", "cleanup"):
        child.expect("Password: |password for %s@" % USER)
        if phase != "password":
            child.sendline(PASSWORDS[tool])
    if marker:
        child.expect_exact(marker)


def send(box, child, sig, target, found):
    number = getattr(signal, "SIG" + sig)
    if target == "group":
        os.killpg(child.pid, number)
    else:
        os.kill(found[target], number)
    box.run(["touch", GO])


@pytest.mark.parametrize("phase, tool, sig, target", list(cases()))
def test_nothing_outlives_the_installation(box, phase, tool, sig, target):
    child = start(box, phase, tool)
    reach(child, phase, tool)
    found = wait_for_roles(child.pid, PHASES[phase][1])
    assert set(PHASES[phase][1]) <= set(found), found
    processes = descendants(child.pid)

    send(box, child, sig, target, found)
    child.expect(pexpect.EOF, timeout=SETTLE)
    output = child.before
    child.close()
    assert (child.exitstatus, child.signalstatus) == expected_status(phase, tool, sig, target), \
        output

    deadline = time.monotonic() + SETTLE
    while alive(processes) and time.monotonic() < deadline:
        time.sleep(0.1)
    assert alive(processes) == {}, output
    assert box.glob("/tmp/qel_install.*") == [], output
    assert box.glob("/tmp/qeli18n.*") == [], output
    # After the wind-down has begun the privileged run does not write into
    # the unprivileged run's cleanup.
    if phase == "routine" and sig != "KILL":
        assert re.search(r"Cleaning up temporary files\.\.\. succeeded\r\n$", output), output
