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
