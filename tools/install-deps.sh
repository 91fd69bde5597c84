#!/bin/sh
# Installs from Debian's packages whatever the build and the tests need and
# the machine lacks. Safe to run again: it does nothing when all is present.
set -e

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

PACKAGES="cmake make g++ googletest clang-14 libclang-rt-14-dev \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
  wine wine64 wine32:i386 fonts-wine xvfb xdotool x11-apps x11-utils \
  imagemagick locales tinyproxy lighttpd python3 procps"

missing=
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
  echo "install-deps: installing$missing"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# Wine takes its ANSI code page from the locale: ru_RU.UTF-8 gives 1251, the
# program's home; the tests also run it under en_US.UTF-8 (1252) and
# ja_JP.UTF-8 (932, a double-byte code page).
missing_locales=
for locale in ru_RU en_US ja_JP; do
  locale -a 2>/dev/null | grep -qi "^$locale\.utf8\$" || missing_locales="$missing_locales $locale"
done
if [ -n "$missing_locales" ]; then
  for locale in $missing_locales; do
    $SUDO sed -i "s/^# *$locale.UTF-8 UTF-8/$locale.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$locale.UTF-8 UTF-8" /etc/locale.gen || echo "$locale.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi

# A kernel without 32-bit execution cannot start 32-bit Wine on its own; the
# i386 user-mode emulator, registered for 32-bit x86 programs, runs it then.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "ok installed" ||
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
    [ -f /proc/sys/fs/binfmt_misc/register ] ||
        $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || true
    if [ -f /proc/sys/fs/binfmt_misc/register ] && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
            $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null || true
    fi
fi

# tinyproxy and lighttpd are started by the tests themselves, never as services.
for svc in tinyproxy lighttpd; do
  if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now "$svc" >/dev/null 2>&1 || true; fi
  $SUDO service "$svc" stop >/dev/null 2>&1 || true
done
exit 0
