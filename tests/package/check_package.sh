#!/usr/bin/env bash
# Checks the Debian package made in a build folder as a user's system would meet it:
# lintian without errors, the desktop entry and the AppStream data valid, the manual
# pages rendered, and the programs unpacked into a temporary root working from there
# (versions, one capture with the installed files found), then the installed window
# program under Xvfb with no SNAPRILL_HOME (tests/package/test_installed.py).
#
#   tests/package/check_package.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: check_package.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/snaprill_*.deb | head -n 1)
echo "package: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb --field "$deb" Depends | sed 's/^/depends: /'
# The clipboard of Wayland compositors is followed through libwayland.
if grep -q '^SNAPRILL_WAYLAND:BOOL=ON' "$build/CMakeCache.txt"; then
  dpkg-deb --field "$deb" Depends | grep -q 'libwayland-client0' || fail "no dependency on libwayland-client0"
fi
# Qt's dialogs speak the language chosen through Qt's own translations.
dpkg-deb --field "$deb" Depends | grep -q 'qt6-translations-l10n' || fail "no dependency on qt6-translations-l10n"

# The capture history's text reader and its English data, recommended.
dpkg-deb --field "$deb" Recommends | grep -q 'tesseract-ocr-eng' || fail "tesseract-ocr-eng not recommended"
dpkg-deb --field "$deb" Recommends | grep -q 'libtesseract5' || fail "libtesseract5 not recommended"
# The description counts the output types this build writes.
types=nine
grep -q '^SNAPRILL_MODERN_TYPES:BOOL=ON' "$build/CMakeCache.txt" && types=twelve
dpkg-deb --field "$deb" Description | grep -q "one of $types formats" ||
  fail "the description does not say \"one of $types formats\""

# lintian: errors fail; warnings are printed for the note.
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
[ -n "$lintian_out" ] && echo "$lintian_out" | sed 's/^/lintian: /'
if echo "$lintian_out" | grep -q '^E:'; then fail "lintian reports errors"; fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

desktop-file-validate "$root/usr/share/applications/snaprill.desktop" || fail "desktop entry"
# KWin 6 lets a program use its screenshot service only where an installed entry's
# Exec starts with the program's own path (and names the service): the installed
# path, whichever prefix the install went to.
entry_checks() {  # ENTRY PROGRAM
  grep -qx "Exec=$2" "$1" || fail "desktop entry: $(grep -m1 '^Exec=' "$1"), not Exec=$2"
  grep -qx "Exec=$2 -hide" "$1" || fail "desktop entry: the hidden start does not run $2"
  grep -qx "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2" "$1" ||
    fail "desktop entry: KWin's screenshot service is not named"
}
entry_checks "$root/usr/share/applications/snaprill.desktop" /usr/bin/snaprill
prefix=$(mktemp -d)
cmake --install "$build" --prefix "$prefix" >/dev/null
entry_checks "$prefix/share/applications/snaprill.desktop" "$prefix/bin/snaprill"
rm -rf "$prefix"
appstreamcli validate --no-net --explain "$root"/usr/share/metainfo/*.xml || fail "AppStream data"
for page in snaprill snaprill-batch; do
  man_out=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null) || fail "man $page"
  [ -z "$man_out" ] || fail "man $page warns: $man_out"
done

# AVIF and JPEG XL come from the codec module, loaded from the package's module folder.
if [ "$types" = twelve ]; then
  [ -n "$(find "$root/usr/lib" -path '*/snaprill/modules/snaprill-codecs.so')" ] ||
    fail "no snaprill/modules/snaprill-codecs.so in usr/lib"
fi

# The capture history's text reader, kept with the package's private programs.
[ -x "$root/usr/libexec/snaprill/snaprill-text-reader" ] || fail "no usr/libexec/snaprill/snaprill-text-reader"

# --version as GNU programs answer it: name and version, then the copyright and the licence.
for program in snaprill-batch snaprill; do
  version=$("$root/usr/bin/$program" --version)
  echo "$version" | head -n 1 | grep -qx "$program [0-9.]*" || fail "$program --version: $version"
  echo "$version" | grep -qx "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>." ||
    fail "$program --version names no licence"
done
# The licence where Debian keeps it, in the machine-readable form; the README the
# language file and the manual send translators to.
copyright=$root/usr/share/doc/snaprill/copyright
head -n 1 "$copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
  fail "copyright file not in the machine-readable form"
grep -qx "License: GPL-3+" "$copyright" || fail "copyright file names no GPL-3+"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$root"/usr/share/metainfo/*.xml ||
  fail "AppStream data names no project licence"
grep -qx "### Languages and translators" "$root/usr/share/doc/snaprill/README.md" ||
  fail "the README with its section for translators is not installed"

# Every language file of the source tree, installed beside english.ini.
for language in "$here"/../../data/*.ini; do
  cmp -s "$language" "$root/usr/share/snaprill/$(basename "$language")" ||
    fail "$(basename "$language") is not installed beside english.ini"
done

/usr/bin/python3 "$here/test_installed.py" "$root" || failures=$((failures + 1))

if [ "$failures" -ne 0 ]; then
  echo "$failures package check(s) failed"
  exit 1
fi
echo "package checks passed"
