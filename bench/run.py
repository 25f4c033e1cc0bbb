#!/usr/bin/env python3
"""run.py WORK ROUNDS NAME...: the measurements of scripts/bench.sh.

Runs as root inside testsupport/sandbox-run (installations write /etc/qel.info
and need root). WORK is the benchmark's work directory: WORK/build/bench/
installers.txt lists the built installers ("name installer archive"), the
demo's first; WORK/makeself/<name>.run is makeself's package of the same
tree. For every NAME (the demo first, as baseline) it times each operation
of the installer, its floor (the same work done directly) and makeself's
equivalent in paired runs, prints a table and checks the goals. Exit status 1
when a goal is missed.

CPU time is user plus system time of the whole process tree (wait4() of the
started process, which includes every descendant waited for: tar, gzip,
sha256sum, the re-run installer, the routine). Each round runs every
operation of every command once, in turn (every other round in reverse order),
after one uncounted warm-up round;
a ratio is the median over rounds of the ratio within a round, so load that
comes and goes hits both sides of a pair alike.
"""

import os
import shutil
import statistics
import subprocess
import sys

import peak

HERE = os.path.dirname(os.path.abspath(__file__))
MIB = 1 << 20


class Failure(Exception):
    pass


class Runner:
    def __init__(self, work):
        self.work = work
        self.log = os.path.join(work, "run.log")

    def _open(self, stdin):
        return open(stdin or os.devnull, "rb"), open(self.log, "wb")

    def _check(self, cmd, code):
        if code != 0:
            with open(self.log, errors="replace") as f:
                tail = f.read()[-3000:]
            raise Failure("%s exited with %d:\n%s" % (" ".join(cmd), code, tail))

    def cpu(self, cmd, stdin=None):
        """CPU seconds (user + system) of cmd and all its descendants."""
        inp, out = self._open(stdin)
        with inp, out:
            p = subprocess.Popen(cmd, stdin=inp, stdout=out, stderr=subprocess.STDOUT)
            _, status, usage = os.wait4(p.pid, 0)
            p.returncode = os.waitstatus_to_exitcode(status)
        self._check(cmd, p.returncode)
        return usage.ru_utime + usage.ru_stime

    def peak_mb(self, cmd, program):
        inp, out = self._open(None)
        with inp, out:
            code, kib, emulated = peak.peak_kib(cmd, program, inp, out)
        self._check(cmd, code)
        return kib * 1024 / 1e6, emulated


class Op:
    """One operation: the installer's command, its floor and makeself's
    equivalent (either may be None), with the goals on the two ratios."""

    def __init__(self, name, ours, floor_name, floor, floor_goal, makeself,
                 makeself_goal=None, prepare=None, stdin_floor=None, produces=None, reps=1):
        self.name = name
        self.ours = ours
        self.floor_name = floor_name
        self.floor = floor
        self.floor_goal = floor_goal
        self.makeself = makeself
        self.makeself_goal = makeself_goal
        self.prepare = prepare or (lambda: None)
        self.stdin_floor = stdin_floor
        self.produces = produces
        self.reps = reps
        self.times = {"ours": [], "floor": [], "makeself": []}
        self.peak = None
        self.emulated = False


def clear(*paths):
    for p in paths:
        shutil.rmtree(p, ignore_errors=True)
        if os.path.lexists(p) and not os.path.isdir(p):
            os.remove(p)


def operations(work, size, demo):
    """The operations measured for one size."""
    inst, archive, ms = size["installer"], size["archive"], size["makeself"]
    scratch = os.path.join(work, "scratch")
    target = os.path.join(scratch, "target")
    root = os.path.join(scratch, "root")
    temp = os.path.join(scratch, "temp")
    info = os.path.join(work, "qel.info." + size["name"])

    def fresh():
        # An empty target for --unpack, tar and makeself alike; nothing
        # installed and no product recorded.
        clear(target, root, temp)
        clear("/etc/qel.info")
        os.makedirs(target)
        # Each run starts without dirty pages of the one before, whose
        # writeback and reclaim would otherwise be charged to it.
        os.sync()

    def keep_info():
        # The package information file the installer writes, for the floor
        # of the installation, which runs the routine without the installer.
        if not os.path.exists(info) and os.path.exists(target + "/qelinst/qel.info"):
            shutil.copy(target + "/qelinst/qel.info", info)

    # On the demo's small archive the start-up is all there is to measure:
    # the goals on the work per byte are judged on the generated sizes only.
    def per_byte(goal):
        return None if size["name"] == "demo" else goal

    routine = ('set -e; mkdir "$1"; tar xz -C "$1"; cp "$2" "$1/qelinst/qel.info"; '
               '"$1/qelinst/coreinstall" --batch --dir "$3"; rm -rf "$1"')
    start = "demo installer"
    return [
        # The start-up costs a few hundredths of a second: the median of three
        # runs stands for each side in a round.
        Op("--help", [inst, "--help"], start, [demo, "--help"], 2, [ms, "--help"], 5, reps=3),
        # A makeself package has no --version; its --help names the version.
        Op("--version", [inst, "--version"], start, [demo, "--version"], 2, [ms, "--help"], 5,
           reps=3),
        Op("--info", [inst, "--info"], start, [demo, "--info"], 2, [ms, "--info"], 5, reps=3),
        Op("--verify", [inst, "--verify"], "sha256sum", ["sha256sum", "-b"], per_byte(1.2),
           [ms, "--check"], stdin_floor=archive),
        # --batch: no question on a distribution the product does not support.
        Op("--unpack", [inst, "--batch", "--unpack", target], "tar xz",
           ["tar", "xz", "-C", target], per_byte(1.1), [ms, "--noexec", "--target", target],
           prepare=fresh, stdin_floor=archive, produces=target + "/qelinst"),
        Op("installation", [inst, "--batch", "--dir", root, "--tempdir", temp],
           "tar xz + routine", ["sh", "-c", routine, "floor", temp, info, root],
           per_byte(1.1),
           None, prepare=fresh, stdin_floor=archive, produces=root),
    ], keep_info


def measure(runner, work, rounds, sizes, demo):
    plans = []
    for size in sizes:
        ops, keep_info = operations(work, size, demo)
        plans.append((size, ops, keep_info))
    for r in range(rounds + 1):
        print("bench: round %d of %d%s" % (r, rounds, " (warm-up)" if r == 0 else ""),
              file=sys.stderr, flush=True)
        for size, ops, keep_info in plans:
            for op in ops:
                sides = [("ours", op.ours, None), ("floor", op.floor, op.stdin_floor),
                         ("makeself", op.makeself, None)]
                # Every other round in reverse: no side always runs first.
                for side, cmd, stdin in sides[::1 if r % 2 else -1]:
                    if cmd is None:
                        continue
                    t = statistics.median(run(runner, op, cmd, stdin)
                                          for _ in range(op.reps))
                    if op.name == "--unpack" and side == "ours":
                        keep_info()
                    # Every figure in the log, to judge how much they vary.
                    print("bench:   %s %s %s %.3f s" % (size["name"], op.name, side, t),
                          file=sys.stderr, flush=True)
                    if r > 0:
                        op.times[side].append(t)
    for size, ops, _ in plans:
        for op in ops:
            op.prepare()
            op.peak, op.emulated = runner.peak_mb(op.ours, size["installer"])
        ops[-1].prepare()
    return plans


def run(runner, op, cmd, stdin):
    op.prepare()
    t = runner.cpu(cmd, stdin)
    if op.produces and not os.path.isdir(op.produces):
        raise Failure("%s left no %s" % (" ".join(cmd), op.produces))
    return t


def median_ratio(a, b):
    return statistics.median(x / y for x, y in zip(a, b))


def mb(n):
    return "%.2f MB" % (n / 1e6) if n < 10e6 else "%.0f MB" % (n / 1e6)


def report(plans, peak_goal):
    """Prints the table; returns the list of missed goals."""
    missed = []
    lines = [
        "| payload (compressed) | operation | CPU s | floor | floor s | ours/floor "
        "| makeself s | ours/makeself | own peak |",
        "|---|---|---|---|---|---|---|---|---|",
    ]

    def judge(label, value, goal, what):
        if goal is None:
            return "%.2f ×" % value
        ok = value <= goal
        if not ok:
            missed.append("%s: %s %.2f × (goal ≤ %g ×)" % (label, what, value, goal))
        return "%.2f × %s %g" % (value, "≤" if ok else "**>**", goal)

    for size, ops, _ in plans:
        payload = "%s (%s; makeself %s)" % (size["name"], mb(size["archive_bytes"]),
                                           mb(size["makeself_bytes"]))
        tar_xz = next(op for op in ops if op.name == "--unpack").times["floor"]
        for op in ops:
            label = "%s %s" % (size["name"], op.name)
            t = op.times
            ours = "%.3f" % statistics.median(t["ours"])
            floor = "%.3f" % statistics.median(t["floor"])
            ratio = judge(label, median_ratio(t["ours"], t["floor"]), op.floor_goal,
                          "ours/" + op.floor_name)
            if op.name == "installation":
                ratio += " (%.2f × one tar xz)" % median_ratio(t["ours"], tar_xz)
            if op.makeself:
                ms = "%.3f" % statistics.median(t["makeself"])
                ms_ratio = judge(label, median_ratio(t["ours"], t["makeself"]),
                                 op.makeself_goal, "ours/makeself")
            else:
                ms = ms_ratio = "–"
            ok = op.peak <= peak_goal
            if not ok:
                missed.append("%s: own peak memory %.1f MB (goal ≤ %g MB)"
                              % (label, op.peak, peak_goal))
            mem = "%.1f MB%s%s" % (op.peak, " (with qemu)" if op.emulated else "",
                                   "" if ok else " **> %g**" % peak_goal)
            lines.append("| %s | `%s` | %s | %s | %s | %s | %s | %s | %s |"
                         % (payload, op.name, ours, op.floor_name, floor, ratio, ms,
                            ms_ratio, mem))
            payload = ""
    print("\n".join(lines))
    return missed


def main():
    work, rounds, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    if os.environ.get("QEL_SANDBOX") != "1":
        print("bench: run.py installs for real: only inside testsupport/sandbox-run",
              file=sys.stderr)
        return 2
    with open(os.path.join(work, "build", "bench", "installers.txt")) as f:
        listed = [line.split() for line in f if line.strip()]
    sizes = []
    for name, installer, archive in listed:
        if name in names:
            ms = os.path.join(work, "makeself", name + ".run")
            sizes.append({"name": name, "installer": installer, "archive": archive,
                          "makeself": ms, "archive_bytes": os.path.getsize(archive),
                          "makeself_bytes": os.path.getsize(ms)})
    demo = listed[0][1]
    # The operations write into a tmpfs (this process's mount namespace is
    # the sandbox's own): on a disk file system the first run after a large
    # tree was deleted pays for that deletion, about a third more at 512 MiB,
    # and that would fall on whichever side happens to run first.
    scratch = os.path.join(work, "scratch")
    os.makedirs(scratch, exist_ok=True)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=0755", "qel-bench", scratch],
                   check=True)
    runner = Runner(work)
    try:
        plans = measure(runner, work, rounds, sizes, demo)
    except Failure as e:
        print("bench: %s" % e, file=sys.stderr)
        return 2
    print("\nCPU time: user + system seconds of the whole process tree, median of %d "
          "rounds; a ratio is the median of the ratios within a round. Own peak: the "
          "largest VmHWM of the installer's own processes (with qemu: the emulator's "
          "memory included, where the kernel runs no 32-bit x86 programs). Goals on the work per byte "
          "(--verify, --unpack, installation) are not judged on the demo's small archive, "
          "where the start-up is all there is.\n" % rounds)
    missed = report(plans, 16)
    if any(op.emulated for _, ops, _ in plans for op in ops):
        print("\nThe installer ran under qemu's user mode: this kernel runs no 32-bit x86 "
              "programs itself. Its CPU times include the emulator translating each run, "
              "its memory the emulator's own; the goals are those of the installer running "
              "natively, which this machine cannot show.")
    if missed:
        print("\nGoals missed:")
        for m in missed:
            print("- " + m)
        return 1
    print("\nEvery goal is met.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
