"""Which program a running process runs, also under an emulator.

On a kernel without IA-32 emulation the 32-bit programs run under qemu's
user mode (scripts/setup.sh registers it), and the process table names qemu:
its command line is "qemu-i386-static -0 ARGV0 PROGRAM ARG...".
"""

import os


def program_name(pid):
    """The file name of the program that process pid runs, as ps's comm
    (at most 15 characters); None when it has ended."""
    try:
        with open("/proc/%d/comm" % pid) as f:
            comm = f.read().rstrip("\n")
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            args = f.read().decode(errors="replace").split("\0")
    except (FileNotFoundError, ProcessLookupError):
        return None
    if comm.startswith("qemu-i386") and "-0" in args[:2]:
        return os.path.basename(args[args.index("-0") + 2])[:15]
    return comm
