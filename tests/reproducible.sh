#!/bin/sh
# reproducible.sh SOURCE BUILD GENERATOR BUILD_TYPE HOST_BUILD
#
# Two clean builds give the same contained archive: builds the payload of
# zop-installer again in a fresh build directory and compares it byte for
# byte with the one of BUILD.
set -eu
src=$1 build=$2 generator=$3 type=$4 host=$5
second=$build/reproducible
first_archive=$build/lyninst/zop-installer_payload.payload/archive.tar.gz
second_archive=$second/lyninst/zop-installer_payload.payload/archive.tar.gz

rm -rf "$second"
cmake -S "$src" -B "$second" -G "$generator" -DCMAKE_BUILD_TYPE="$type" \
    -DQEL_HOST_BUILD="$host" >/dev/null
cmake --build "$second" -j2 --target zop-installer_payload_archive >/dev/null

first_digest=$(sha256sum <"$first_archive" | cut -d' ' -f1)
second_digest=$(sha256sum <"$second_archive" | cut -d' ' -f1)
echo "first build:  $first_digest"
echo "second build: $second_digest"
if ! cmp "$first_archive" "$second_archive"; then
    echo "The two builds packed different archives:" >&2
    diff -r "$build/lyninst/zop-installer_payload.payload/stage" \
        "$second/lyninst/zop-installer_payload.payload/stage" >&2 || true
    exit 1
fi
rm -rf "$second"
