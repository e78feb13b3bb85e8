#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR with prefix /usr and checks what a desktop reads there:
# the desktop entry and the AppStream metadata pass their validators, the entry's Exec and Icon
# resolve inside the tree, the man page renders without warnings, and the installed program starts,
# keeping its settings in the user's configuration folder.
#   check_installed_tree.sh BUILD_FOLDER APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log"
usr=$root/usr
[ "$(ls -A "$root")" = usr ] || fail "files outside the prefix: $(ls -A "$root")"

desktop=$usr/share/applications/$id.desktop
metainfo=$usr/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release is not $version"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "launchable"

# Exec: the program, then exactly one file argument.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
read -r program rest <<<"$exec_line"
[ "$rest" = "%f" ] || fail "Exec passes '$rest', not one file (%f)"
[ -x "$usr/bin/$program" ] || fail "Exec program $program is not in /usr/bin"

# Icon: the scalable SVG and every PNG size, each PNG as large as its folder says.
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "$icon" = "$id" ] || fail "Icon=$icon"
icons=$usr/share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/$icon.svg" || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/$icon.png
  if [ ! -f "$png" ]; then fail "no $png"; continue; fi
  # The PNG header: width and height as 32-bit big-endian numbers at bytes 16 and 20.
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$width $height" = "$size $size" ] || fail "$png is ${width}x$height"
done

# The man page renders without a warning.
manpage=$usr/share/man/man1/quillory.1.gz
if [ -f "$manpage" ]; then
  MANWIDTH=80 man --warnings -l "$manpage" >"$work/man.txt" 2>"$work/man.err" || fail "man -l failed"
  [ ! -s "$work/man.err" ] || fail "man warnings: $(cat "$work/man.err")"
  grep -q "Quillory $version" "$work/man.txt" || fail "man page does not name version $version"
else
  fail "no man page"
fi
[ -f "$usr/share/doc/quillory/copyright" ] || fail "no copyright file"
[ -f "$usr/share/doc/quillory/help.html" ] || fail "no help"

# The installed program starts with a file and keeps running (the window stays open until the
# timeout); its settings folder is the user's configuration folder, even where it could write
# beside itself.
home=$work/home
mkdir -p "$home"
status=0
HOME=$home XDG_CONFIG_HOME=$home/config QT_QPA_PLATFORM=offscreen timeout 3 \
  "$usr/bin/quillory" "$desktop" >/dev/null 2>&1 || status=$?
[ "$status" = 124 ] || fail "the program ended with $status while showing a file"
[ -d "$home/config/Quillory" ] || fail "no settings folder in the configuration folder"
[ ! -e "$usr/bin/Quillory.dat" ] || fail "settings beside the installed program"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed tree checked: $(find "$root" -type f | wc -l) files"
