#!/bin/sh
# Builds build/zop-installer and runs it for real on the demo product it
# carries: --help, --version, --verify, --info, then an unattended
# installation (--batch) and a look at the installed product, an update that
# writes a backup, and a --restore from that backup. All of it runs
# inside a throwaway sandbox (testsupport/sandbox-run: private /etc, /opt,
# /var/backups, /tmp), so the host stays untouched. Needs root or sudo.
set -eu
cd "$(dirname "$0")/.."

if [ "${1:-}" = --inside ]; then
    # The installation is real: only ever inside the sandbox.
    if [ "${QEL_SANDBOX:-}" != 1 ]; then
        echo "demo.sh: --inside runs only in testsupport/sandbox-run" >&2
        exit 2
    fi
    installer=build/zop-installer
    failed=0
    bold= plain=
    if [ -t 1 ]; then bold=$(printf '\033[1m') plain=$(printf '\033[0m'); fi
    show() {
        if [ "$1" = answer ]; then
            word=$2
            shift 2
            printf '\n%s$ %s%s   (answering "%s" to each question)\n' "$bold" "$*" "$plain" "$word"
            set -- answer "$word" "$@"
        else
            printf '\n%s$ %s%s\n' "$bold" "$*" "$plain"
        fi
        status=0
        "$@" || status=$?
        echo "[exit status $status]"
        [ "$status" -eq 0 ] || failed=1
    }
    # answer WORD COMMAND...: runs COMMAND in a pseudo-terminal and types WORD
    # at each of its yes/no questions; the terminal shows it where it is given.
    answer() {
        /usr/bin/python3 -c '
import sys, pexpect
word, argv = sys.argv[1], sys.argv[2:]
child = pexpect.spawn(argv[0], argv[1:], encoding="utf-8", timeout=600, dimensions=(24, 80))
child.logfile_read = sys.stdout
while child.expect([r"\((yes/y/no/n|ja/j/nein/n)\):? ", pexpect.EOF]) == 0:
    child.sendline(word)
child.close()
sys.exit(child.exitstatus if child.exitstatus is not None else 128 + child.signalstatus)
' "$@"
    }
    show "$installer" --help
    show "$installer" --version
    show "$installer" --verify
    show "$installer" --info
    show "$installer" --batch
    show ls -lR /opt/qel/zop
    show cat /etc/qel.info
    show /opt/qel/zop/bin/zop-status
    show /opt/qel/zop/sbin/qelzopd --version
    # The installer and the programs it installed are 32-bit x86.
    show file -L "$installer" /opt/qel/zop/sbin/qelzopd /opt/qel/zop/sbin/qel-productcfg
    # An update: the routine backs up the installation it replaces.
    echo "probe_interval = 5" >/opt/qel/zop/etc/zop.conf
    show "$installer" --batch
    show ls -l /var/backups/qel
    backup=$(ls /var/backups/qel/*.tar | head -n 1)
    show tar tf "$backup"
    # Restore it, answering yes to going on on this system, to the restore, to
    # overwriting /etc/qel.info and to removing the current installation
    # first: etc/zop.conf.new, which came with the update, goes away again.
    # Each answer appears after its question, as it would when typed.
    show answer y "$installer" --restore "$backup"
    show ls /opt/qel/zop/etc
    show cat /opt/qel/zop/etc/zop.conf
    echo
    if [ "$failed" -eq 0 ]; then
        echo "Demo finished; the sandbox and everything installed in it are gone."
    else
        echo "Demo finished with failed steps (see the exit statuses above)."
    fi
    exit "$failed"
fi

# The set-up and the build write to a log; the demo shows only the installer.
mkdir -p build
log=$(pwd)/build/demo-build.log
echo "Setting up and building build/zop-installer (the output goes to $log) ..."
if ! {
    scripts/setup.sh &&
        cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
        cmake --build build -j"${JOBS:-2}" --target zop-installer
} >"$log" 2>&1; then
    echo "demo.sh: the set-up or the build failed; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
fi
echo "Built build/zop-installer."

if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
exec $SUDO testsupport/sandbox-run "$(pwd)/scripts/demo.sh" --inside
