"""The peak memory of one program's own processes within a process tree.

Neither /usr/bin/time nor wait4() can tell it: the maximum resident set size
they report is the largest of the process and all its waited-for
descendants, and a forked child starts with its parent's resident pages, so
a child such as tar or gzip would be counted in. Instead the command runs
under ptrace with PTRACE_O_TRACEEXIT (and fork, vfork, clone and exec
followed): every task stops once more when it exits, before its memory is
released, and then /proc/<pid>/status still shows VmHWM, the high-water mark
of that process's own resident memory since its last exec. The result is the
largest VmHWM among the exiting processes whose executable is the program.
Where the kernel cannot run the program itself and binfmt_misc hands it to
an emulator (qemu's user mode for 32-bit x86), the process's executable is
the emulator and its command line names the program: such a process counts
too, and its VmHWM then includes the emulator's own memory, so the result is
flagged as emulated.
Only events stop the tasks (no system calls are traced), so the command runs
at nearly full speed; CPU times are measured in separate, untraced runs.
"""

import ctypes
import os
import signal

PTRACE_TRACEME = 0
PTRACE_CONT = 7
PTRACE_SETOPTIONS = 0x4200
OPTIONS = (0x02 | 0x04 | 0x08  # follow fork, vfork, clone
           | 0x10  # an exec stops as an event, not with SIGTRAP
           | 0x40  # stop at exit, memory still mapped
           | 0x100000)  # the traced tasks die with the tracer
EVENT_EXIT = 6
WALL = 0x40000000

_libc = ctypes.CDLL(None, use_errno=True)
_libc.ptrace.argtypes = [ctypes.c_long, ctypes.c_long, ctypes.c_void_p, ctypes.c_void_p]
_libc.ptrace.restype = ctypes.c_long


def _ptrace(request, pid, data=0):
    if _libc.ptrace(request, pid, None, ctypes.c_void_p(data)) == -1:
        err = ctypes.get_errno()
        raise OSError(err, "ptrace(%d, %d): %s" % (request, pid, os.strerror(err)))


def _high_water_kib(pid):
    """VmHWM of pid in KiB, or None when the task is gone."""
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (FileNotFoundError, ProcessLookupError):
        pass
    return None


def _runs(pid, program):
    """None when pid does not run program, else True when it runs it
    through an emulator, False when natively."""
    try:
        if os.readlink("/proc/%d/exe" % pid) == program:
            return False
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            args = f.read().split(b"\0")
    except OSError:
        return None
    return True if os.fsencode(program) in args else None


def peak_kib(cmd, program, stdin, stdout, cwd=None):
    """Runs cmd (stdin/stdout: open files) and returns (exit status, the
    largest VmHWM in KiB of its processes running the executable program,
    whether one of them ran under an emulator)."""
    program = os.path.realpath(program)
    pid = os.fork()
    if pid == 0:
        try:
            os.dup2(stdin.fileno(), 0)
            os.dup2(stdout.fileno(), 1)
            os.dup2(stdout.fileno(), 2)
            if cwd:
                os.chdir(cwd)
            _ptrace(PTRACE_TRACEME, 0)
            os.execvp(cmd[0], cmd)
        finally:
            os._exit(127)

    _, status = os.waitpid(pid, WALL)  # stopped by SIGTRAP at its exec
    _ptrace(PTRACE_SETOPTIONS, pid, OPTIONS)
    _ptrace(PTRACE_CONT, pid)
    seen = {pid}
    peak = 0
    emulated = False
    result = None
    while True:
        try:
            tid, status = os.waitpid(-1, WALL)
        except ChildProcessError:
            break
        if os.WIFEXITED(status) or os.WIFSIGNALED(status):
            seen.discard(tid)
            if tid == pid:
                result = os.waitstatus_to_exitcode(status)
            continue
        if not os.WIFSTOPPED(status):
            continue
        sig = os.WSTOPSIG(status)
        event = status >> 16
        deliver = 0
        if event == EVENT_EXIT:
            runs = _runs(tid, program)
            if runs is not None:
                peak = max(peak, _high_water_kib(tid) or 0)
                emulated = emulated or runs
        elif event == 0 and tid not in seen and sig == signal.SIGSTOP:
            pass  # the first stop of a newly followed task
        elif event == 0:
            deliver = sig  # a real signal: pass it on
        seen.add(tid)
        try:
            _ptrace(PTRACE_CONT, tid, deliver)
        except ProcessLookupError:
            pass  # killed meanwhile (SIGKILL needs no resumption)
    return result, peak, emulated
