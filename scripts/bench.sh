#!/bin/sh
# scripts/bench.sh [SIZE]...: the installer's benchmark (not a test).
#
# For every SIZE (default 64M; e.g. 512M, 2G: MiB or GiB of product data) it
# generates a product tree (half random, half text; a few big and many small
# files; the same bytes every time), builds an installer of it through the
# packaging step (qel_add_installer, via the CMake option QEL_BENCH_TREES)
# and packs the same tree with Debian's makeself. It then times the
# installer's operations against the demo installer (the baseline), against
# the same work done directly (tar xz, sha256sum of the same archive bytes)
# and against makeself, as root inside testsupport/sandbox-run, prints the
# table and exits 1 when a goal is missed (bench/run.py tells which).
#
# Environment: BENCH_DIR work directory (default build-bench; the trees take
# about twice SIZE on disk; the installed copies up to three times SIZE of
# memory, in a tmpfs), BENCH_ROUNDS
# paired rounds (default 5), JOBS build jobs (default 2), BENCH_CMAKE_ARGS
# further options for configuring the build (e.g. -DQEL_HOST_BUILD=ON, with a
# BENCH_DIR of its own). Needs root or sudo.
set -eu
cd "$(dirname "$0")/.."
src=$(pwd -P)

usage() {
    echo "usage: scripts/bench.sh [SIZE]...   (SIZE: <n>M or <n>G, default 64M)" >&2
    exit 2
}

sizes=${*:-64M}
trees=
for size in $sizes; do
    n=${size%[MG]}
    case "$n" in
        "" | 0* | *[!0-9]*) usage ;;
    esac
    case "$size" in
        *M) bytes=$((n * 1024 * 1024)) ;;
        *G) bytes=$((n * 1024 * 1024 * 1024)) ;;
        *) usage ;;
    esac
    trees="$trees $size:$bytes"
done

if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
scripts/setup.sh
if ! dpkg-query -W -f='${Status}' makeself 2>/dev/null | grep -q '^install ok installed$'; then
    echo "Installing: makeself"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq -o DPkg::Lock::Timeout=600 makeself
fi

mkdir -p "${BENCH_DIR:-build-bench}"
work=$(cd "${BENCH_DIR:-build-bench}" && pwd -P)
names=
cache_entry=
for t in $trees; do
    name=${t%%:*}
    python3 bench/gentree.py "$work/trees/$name" "${t#*:}"
    names="$names $name"
    cache_entry="$cache_entry;$name=$work/trees/$name"
done

launcher=
if command -v ccache >/dev/null; then
    launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
# shellcheck disable=SC2086 # the launcher and further options are separate words
cmake -S . -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher \
    ${BENCH_CMAKE_ARGS:-} "-DQEL_BENCH_TREES=${cache_entry#;}" >/dev/null
targets=zop-installer
for name in $names; do targets="$targets zop-bench-$name"; done
# shellcheck disable=SC2086
cmake --build "$work/build" -j"${JOBS:-2}" --target $targets

# makeself packs the very tree that the installer carries (its archive,
# unpacked), with gzip -9 like the packaging step and a SHA-256 checksum
# instead of its CRC and MD5, so that its --check does the work of --verify.
mkdir -p "$work/makeself"
while read -r name _installer archive; do
    case " demo $names " in *" $name "*) ;; *) continue ;; esac
    run=$work/makeself/$name.run
    source=$(sha256sum <"$archive")
    [ -e "$run" ] && [ "$(cat "$run.source" 2>/dev/null)" = "$source" ] && continue
    tree=$work/makeself/$name.tree
    rm -rf "$tree"
    mkdir -p "$tree"
    tar xzf "$archive" -C "$tree"
    makeself --gzip --complevel 9 --sha256 --nomd5 --nocrc --nox11 --noprogress --quiet \
        --packaging-date "2025-01-01" "$tree" "$run" "QEL benchmark $name" ./qelinst/coreinstall
    rm -rf "$tree"
    echo "$source" >"$run.source"
done <"$work/build/bench/installers.txt"

echo "bench: $(file -b "$work/build/zop-installer" | cut -d, -f1-2)"
# shellcheck disable=SC2086 # one argument per size
$SUDO env QEL_SANDBOX_KEEP="$work" \
    testsupport/sandbox-run python3 "$src/bench/run.py" "$work" "${BENCH_ROUNDS:-5}" demo $names
