#!/usr/bin/env bash
# Installs everything the two builds and every test suite need on a Debian 12 machine, as root.
# Idempotent and quiet when all is there already.
set -euo pipefail

DEPS=/opt/kelvara-deps
MINGW_PREFIX=$DEPS/mingw-i686

packages=(
    build-essential cmake ninja-build pkg-config git python3
    libgtest-dev libgmock-dev googletest libjpeg62-turbo-dev
    clang libclang-rt-14-dev
    mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    wine wine32:i386 wine64 xvfb xdotool x11-utils imagemagick
    libhivex-bin libwin-hivex-perl reglookup libregf-utils libparse-win32registry-perl
    dpkg-dev
    ntfs-3g xz-utils
    ccache
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

need_src=0
[ -f "$MINGW_PREFIX/lib/libjpeg.a" ] || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src -eq 1 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: run as root to install: ${missing[*]}" >&2
        exit 1
    fi
    updated=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    # Source packages: the MinGW libjpeg is built from Debian's libjpeg-turbo source.
    if [ -f /etc/apt/sources.list.d/debian.sources ] &&
       ! grep -q 'deb-src' /etc/apt/sources.list.d/debian.sources; then
        sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    elif [ -f /etc/apt/sources.list ] && ! grep -q '^deb-src' /etc/apt/sources.list; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >> /etc/apt/sources.list
    fi
    echo "setup: installing packages${missing:+: ${missing[*]}}"
    apt-get update -qq
    updated=1
    if [ ${#missing[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
fi

# libjpeg-turbo for MinGW i686, static, without SIMD (no assembler paths to cross-build).
if [ $need_src -eq 1 ]; then
    echo "setup: building libjpeg-turbo for MinGW into $MINGW_PREFIX"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1)
    srcdir=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
    [ -n "$srcdir" ] || { echo "setup: apt-get source libjpeg-turbo gave no source folder" >&2; exit 1; }
    cmake -S "$srcdir" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "$0")/.." && pwd)/cmake/toolchain-mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$MINGW_PREFIX" \
        -DWITH_SIMD=0 -DENABLE_SHARED=0 -DENABLE_STATIC=1 -DWITH_TURBOJPEG=0 \
        -DCMAKE_CROSSCOMPILING_EMULATOR="" -Wno-dev >/dev/null
    cmake --build "$work/build" >/dev/null
    cmake --install "$work/build" >/dev/null
    # the static library may be named libjpeg.a or jpeg-static; make the usual name exist
    [ -f "$MINGW_PREFIX/lib/libjpeg.a" ] || { echo "setup: libjpeg.a not installed" >&2; exit 1; }
fi
