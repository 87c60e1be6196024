#!/bin/sh
# Installs everything the build and the tests need on Debian 12, without asking.
# Safe to run again: it only adds what is missing.
set -eu

if [ "$(id -u)" -ne 0 ]; then
    exec sudo -E "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive

PACKAGES="
cmake ninja-build make g++ clang-14 libclang-rt-14-dev
googletest libgtest-dev libgmock-dev libbenchmark-dev
g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
wine64 wine32:i386 qemu-user-static
xvfb imagemagick x11-utils locales
python3 python3-pefile zip unzip file
"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    NEED_UPDATE=1
fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ] || [ "${NEED_UPDATE:-0}" = 1 ]; then
    apt-get update -q
fi
if [ -n "$missing" ]; then
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing
fi

# Wine must see a Russian locale so that its ANSI code page is 1251.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi

# 32-bit Wine runs through QEMU user emulation on kernels without 32-bit support.
if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || true
fi
if [ -e /proc/sys/fs/binfmt_misc/register ] && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > /proc/sys/fs/binfmt_misc/register || true
fi
