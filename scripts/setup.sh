#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need, and
# generates the German locale. Idempotent; needs root or sudo.
set -eu

# The host's own -dev packages serve the host build (QEL_HOST_BUILD, the
# sanitizer runs); the :i386 ones and g++-multilib the 32-bit x86 product.
PACKAGES="g++ cmake make libtclap-dev libconfig++-dev libelf-dev zlib1g-dev \
gettext libgtest-dev python3-pytest python3-pytest-xdist python3-pexpect sudo locales tar \
coreutils binutils gzip pigz passwd util-linux procps file \
g++-multilib libconfig++-dev:i386 libelf-dev:i386 zlib1g-dev:i386 libgtest-dev:i386"

if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
fi

# A name without :arch means the host's architecture (or an "all" package).
native=$(dpkg --print-architecture)
missing=
for p in $PACKAGES; do
    case $p in *:*) arch=${p#*:} ;; *) arch=$native ;; esac
    dpkg-query -W -f='${Status} ${Architecture}\n' "${p%%:*}" 2>/dev/null \
        | grep -Eq "^install ok installed ($arch|all)\$" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen
fi
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
    $SUDO sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen
fi

# The product is a 32-bit x86 program. A kernel without IA-32 emulation (some
# virtual machines) refuses to run one; there qemu's user-mode emulator runs
# it, through scripts/qemu-i386-binfmt registered with binfmt_misc, so that
# every exec of an i386 program, through su and sudo too, goes through it.
# The installer makes itself a child subreaper: Debian 12's own qemu (7.2)
# refuses that request, the qemu 10 of its backports passes it on.
binfmt=/proc/sys/fs/binfmt_misc
emulator=/usr/local/libexec/qel/qemu-i386-binfmt
wrapper=$(dirname "$0")/qemu-i386-binfmt
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
printf 'int main(void) { return 0; }\n' >"$probe_dir/probe.c"
gcc -m32 -o "$probe_dir/probe" "$probe_dir/probe.c"
if ! "$probe_dir/probe" 2>/dev/null || [ -e "$binfmt/qemu-i386" ]; then
    qemu_version=$(dpkg-query -W -f='${Status} ${Version}' qemu-user 2>/dev/null \
        | sed -n 's/^install ok installed //p')
    if [ -z "$qemu_version" ] || dpkg --compare-versions "$qemu_version" lt 1:10; then
        codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
        echo "This kernel runs no 32-bit x86 programs: installing qemu-user from $codename-backports"
        echo "deb http://deb.debian.org/debian $codename-backports main" \
            | $SUDO tee /etc/apt/sources.list.d/qel-backports.list >/dev/null
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
            -t "$codename-backports" qemu-user
    fi
    # The flag F below makes the kernel keep the interpreter file it opened
    # when registering: a changed wrapper is registered anew.
    if ! cmp -s "$wrapper" "$emulator"; then
        $SUDO install -D -m 755 "$wrapper" "$emulator"
        [ ! -e "$binfmt/qemu-i386" ] || echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
    fi
    [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
    if ! grep -qx "interpreter $emulator" "$binfmt/qemu-i386" 2>/dev/null; then
        echo "Registering $emulator for 32-bit x86 programs"
        [ ! -e "$binfmt/qemu-i386" ] || echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
        # ELF, 32-bit, little-endian, executable or shared object, Intel 80386.
        # P: the program's argument 0 reaches the interpreter; F: the kernel
        # opens the interpreter now, for other mount namespaces too.
        printf '%s' ":qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$emulator:PF" \
            | $SUDO tee "$binfmt/register" >/dev/null
    fi
    "$probe_dir/probe" || { echo "setup.sh: 32-bit x86 programs still do not run" >&2; exit 1; }
fi
