"""What the installer prints around its payload steps, for exact comparisons.

Colour sequences follow the terminal module: ESC [2m (or [1m when bright)
then ESC [3<n>m; ESC [0m resets.
"""

import io
import os
import subprocess

import pexpect

ESC = "\x1b"
RESET = ESC + "[0m"
RED, GREEN, YELLOW, BLUE, CYAN = 1, 2, 3, 4, 6

PRODUCT = "QEL Zonal Outpost Probe Server"
SYSTEM_PATH = "/usr/sbin:/usr/bin:/sbin:/bin"


def color(number, bright=False):
    return "%s[%dm%s[3%dm" % (ESC, 1 if bright else 2, ESC, number)


def banner(tty=False):
    rule = "-" * (len(PRODUCT) + 4)
    pad = " " * ((80 - len(rule)) // 2)
    text = "%s%s\n%s> %s <\n%s%s\n\n" % (pad, rule, pad, PRODUCT, pad, rule)
    return color(BLUE, True) + text + RESET if tty else text


def succeeded(tty=False):
    return color(GREEN) + "succeeded\n" + RESET if tty else "succeeded\n"


def failed(tty=False):
    """The mark as it appears in a terminal, or on standard output of a pipe."""
    return color(RED) + "failed\n" + RESET if tty else "failed\n"


def at_exit(processes=2):
    """What a terminal shows when the installer ends: each process resets
    both streams for each of its four colour guards. Without QEL_I18N_DIR
    two processes run (the translation start-up)."""
    return RESET * 4 * processes


def in_color(number, text, tty):
    return color(number) + text + RESET if tty else text


def clean_env(path=SYSTEM_PATH, **variables):
    """An `env -i` prefix: the installer sees only PATH and these variables."""
    return ["env", "-i", "PATH=" + path] + ["%s=%s" % kv for kv in variables.items()]


def run(argv, input=None, timeout=120):
    """Runs argv with pipes; returns (status, stdout, stderr)."""
    result = subprocess.run(argv, input=input, capture_output=True, text=True,
                            timeout=timeout)
    return result.returncode, result.stdout, result.stderr


def run_tty(argv, answers=(), timeout=120):
    """Runs argv in a pseudo-terminal of 80 columns, giving each answer after
    its prompt; returns (status, everything shown, with "\\n" line ends).
    A status below 0 is the number of the signal that ended it."""
    child = pexpect.spawn(argv[0], list(argv[1:]), encoding="utf-8", timeout=timeout,
                          dimensions=(24, 80))
    seen = io.StringIO()
    child.logfile_read = seen
    for prompt, answer in answers:
        child.expect_exact(prompt)
        child.sendline(answer)
    child.expect(pexpect.EOF)
    child.close()
    status = child.exitstatus if child.exitstatus is not None else -child.signalstatus
    return status, tty_text(seen.getvalue())


def run_in(box, argv, **kwargs):
    """run() inside the sandbox box, as root."""
    return run(box.command(argv), **kwargs)


def run_tty_in(box, argv, **kwargs):
    """run_tty() inside the sandbox box, as root."""
    return run_tty(box.command(argv), **kwargs)


def tty_text(text):
    return text.replace("\r\n", "\n")


def stand_in(directory, name, script):
    """Writes an executable shell script `name` into directory; returns it."""
    path = os.path.join(str(directory), name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + script)
    os.chmod(path, 0o755)
    return path


def bin_dir(directory, tools, stand_ins=None):
    """A directory for PATH holding links to the named system tools and the
    given stand-in scripts ({name: script}); returns its path."""
    os.makedirs(str(directory), exist_ok=True)
    for tool in tools:
        target = subprocess.run(["sh", "-c", "command -v " + tool], capture_output=True,
                                text=True, check=True).stdout.strip()
        os.symlink(target, os.path.join(str(directory), tool))
    for name, script in (stand_ins or {}).items():
        stand_in(directory, name, script)
    return str(directory)


def supported_box(sandbox, installer):
    """The sandbox as a supported Debian with the installer in it (box.exe)
    and a scratch directory /opt/t."""
    sandbox.write_file("/etc/debian_version", "7.4\n")
    sandbox.exe = sandbox.provide(installer)
    sandbox.run(["mkdir", "-p", "/opt/t"])
    return sandbox
