#!/usr/bin/env bash
# Installs the build into a fresh prefix, then builds and runs a consumer
# against it twice: with find_package(Brevan) and with pkg-config.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
test -x "$work/prefix/bin/brevan"
"$work/prefix/bin/brevan" --version

cmake -S "$source/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer"

flags=$(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig:$work/prefix/lib/x86_64-linux-gnu/pkgconfig" \
        pkg-config --cflags --libs brevan)
c++ -std=c++20 "$source/tests/install/consumer/main.cpp" -o "$work/pkgconfig-consumer" $flags
"$work/pkgconfig-consumer"
