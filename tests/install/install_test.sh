#!/usr/bin/env bash
# Installs the build into a fresh prefix, then builds and runs a consumer
# against it twice: with find_package(Brevan) and with pkg-config (whose
# flags carry no search path: the loader is told where, as a packager's
# system would know). Checks that the schema, the documents, the man page
# and the bash completion are installed, and that the completion offers
# every option that --help lists.
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
case $flags in *rpath*) echo "brevan.pc carries a search path: $flags" >&2; exit 1 ;; esac
c++ -std=c++20 "$source/tests/install/consumer/main.cpp" -o "$work/pkgconfig-consumer" $flags
libdir=$(dirname "$(find "$work/prefix" -name 'libBrevan.so' | head -1)")
LD_LIBRARY_PATH="$libdir" "$work/pkgconfig-consumer"

share=$work/prefix/share
test -s "$share/brevan/workspace.xsd"
test -s "$share/doc/brevan/README.md" && test -s "$share/doc/brevan/docs/language.md"
completion=$share/bash-completion/completions/brevan
zsh_completion=$share/zsh/vendor-completions/_brevan
fish_completion=$share/fish/vendor_completions.d/brevan.fish
test -s "$completion" && test -s "$zsh_completion" && test -s "$fish_completion"
bash -n "$completion"
! command -v zsh >/dev/null || zsh -n "$zsh_completion"
! command -v fish >/dev/null || fish --no-execute "$fish_completion"
if command -v help2man >/dev/null; then
  grep -q 'check\\-files' "$share/man/man1/brevan.1"
  grep -q '^\.SH INVENTORY' "$share/man/man1/brevan.1"
fi
for help in "" "inventory"; do
  for option in $("$work/prefix/bin/brevan" $help --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    for script in "$completion" "$zsh_completion"; do
      grep -q -- "$option\b" "$script" || { echo "$script lacks $help $option" >&2; exit 1; }
    done
    grep -q -- "-l ${option#--}\b" "$fish_completion" || { echo "fish lacks $help $option" >&2; exit 1; }
  done
done

# A distribution's layout (prefix /usr, multiarch libdir), staged: brevan.pc
# must find its prefix from where it is installed. Configuring is enough.
cmake -S "$source" -B "$work/usr" -G Ninja -DCMAKE_INSTALL_PREFIX=/usr -DBREVAN_TESTS=OFF -DBREVAN_TOOL=OFF \
      >/dev/null
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$work/usr/CMakeCache.txt")
mkdir -p "$work/stage/usr/$libdir/pkgconfig"
cp "$work/usr/brevan.pc" "$work/stage/usr/$libdir/pkgconfig/"
found=$(PKG_CONFIG_PATH="$work/stage/usr/$libdir/pkgconfig" pkg-config --variable=libdir brevan)
[ "$(realpath -m "$found")" = "$work/stage/usr/$libdir" ] || { echo "libdir $found, not $libdir" >&2; exit 1; }
found=$(PKG_CONFIG_PATH="$work/stage/usr/$libdir/pkgconfig" pkg-config --variable=includedir brevan)
[ "$(realpath -m "$found")" = "$work/stage/usr/include" ] || { echo "includedir $found" >&2; exit 1; }
grep -q 'find_dependency(pugixml)' "$work/usr/BrevanConfig.cmake"
