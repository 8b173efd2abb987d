#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks the installed tree as a desktop sees
# it: the program's folder and the command on the PATH, the .desktop entry (by
# desktop-file-validate), the icons, and the list files' MIME type (by update-mime-database).
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /opt/vantrel-test >/dev/null
root="$dest/opt/vantrel-test"
[ -d "$dest/opt/vantrel-test" ] || fail "nothing installed under the prefix"
for f in lib/vantrel/vantrel lib/vantrel/readme.txt "lib/vantrel/my flash movie/vantrel_demo.swf" \
         share/applications/vantrel.desktop share/mime/packages/vantrel.xml \
         share/icons/hicolor/scalable/apps/vantrel.svg; do
  [ -s "$root/$f" ] || fail "missing or empty: $f"
done
for size in 16 24 32 48 64 128 256; do
  png="$root/share/icons/hicolor/${size}x${size}/apps/vantrel.png"
  [ -s "$png" ] || fail "missing icon $size"
  # The width and height in the PNG header (big-endian, bytes 16 to 23).
  read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
  width=$(( (w1 << 24) | (w2 << 16) | (w3 << 8) | w4 )); height=$(( (h1 << 24) | (h2 << 16) | (h3 << 8) | h4 ))
  [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "icon $size is ${width}x${height}"
done

# The command is a link into the program's folder, relative, so the tree can be moved.
[ "$(readlink "$root/bin/vantrel")" = "../lib/vantrel/vantrel" ] || fail "bin/vantrel does not link the program"
QT_QPA_PLATFORM=offscreen "$root/bin/vantrel" --version | grep -q '^Vantrel 1\.0$' || fail "installed program does not run"

desktop-file-validate "$root/share/applications/vantrel.desktop" || fail "desktop entry not valid"
grep -q '^MimeType=.*application/vnd.adobe.flash.movie;.*application/x-vantrel-list;' \
  "$root/share/applications/vantrel.desktop" || fail "desktop entry does not offer the movie and list types"
update-mime-database "$root/share/mime" >/dev/null 2>&1 || fail "MIME package not accepted"
grep -q '^50:application/x-vantrel-list:\*\.vtl$' "$root/share/mime/globs2" || fail "*.vtl is not a Vantrel list"
[ -s "$root/share/mime/application/x-vantrel-list.xml" ] || fail "list type not built"
echo "installed tree checked"
