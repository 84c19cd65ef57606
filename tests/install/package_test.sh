#!/usr/bin/env bash
# The Debian package as a machine gets it, unpacked into a throwaway root
# (no installation, no root needed): its tool translates the example to
# its document, a consumer finds the library through the package's CMake
# files and through its pkg-config file, and its man page reads.
# Usage: package_test.sh DEB SOURCE_DIR
set -euo pipefail
deb=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"
libdir=$(dirname "$(find "$root" -name 'libBrevan.so' | head -1)")
export LD_LIBRARY_PATH=$libdir

"$root/usr/bin/brevan" "$source/examples/workspace.bws" | cmp - "$source/examples/workspace.xml"
"$root/usr/bin/brevan" inventory "$source/examples/workspace.bws" >/dev/null

cmake -S "$source/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer"

flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs brevan)
c++ -std=c++20 "$source/tests/install/consumer/main.cpp" -o "$work/pkgconfig-consumer" $flags
"$work/pkgconfig-consumer"

man -l "$root/usr/share/man/man1/brevan.1.gz" 2>/dev/null | grep -q -- '--out-dir'
dpkg-deb -f "$deb" Depends | grep -q 'libuchardet0'
echo "package ok: $(basename "$deb")"
