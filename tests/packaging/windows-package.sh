#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows packages under wine, in a wine folder of its own made for this run:
#   tests/packaging/windows-package.sh SETUP_EXE ZIP [VERSION]
# The ZIP holds exactly the expected files and its tagmere-cli.exe runs; the installer (/S)
# puts the files, the Start-menu shortcut and the uninstall key in place; the installed
# programs start (the window on an Xvfb display); the uninstaller (/S) takes all of it away
# again but leaves a file the user put in the folder and the user's keyword lists.
# Prints PASS/FAIL lines; exits 1 on any failure, 0 with "skipped: ..." when a tool is missing.
set -uo pipefail
setup=${1:?usage: windows-package.sh SETUP_EXE ZIP [VERSION]}
zipfile=${2:?usage: windows-package.sh SETUP_EXE ZIP [VERSION]}
version=${3:-$(basename "$setup" .exe | sed 's/^tagmere-setup-//')}
src=$(cd "$(dirname "$0")/../.." && pwd)

skip() { echo "skipped: $*"; exit 0; }
first() { for f; do [ -x "$f" ] && echo "$f" && return; done; }
wine=$(first /usr/lib/wine/wine64 /usr/bin/wine64)
wineserver=$(first /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver /usr/bin/wineserver)
if [ -z "$wine" ] || [ -z "$wineserver" ]; then skip "wine64 is not installed (scripts/install-deps windows)"; fi
for tool in Xvfb xdotool unzip; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
[ -f "$setup" ] || skip "no $setup (makensis missing? scripts/install-deps package-windows, then scripts/package-windows)"
[ -f "$zipfile" ] || skip "no $zipfile (scripts/package-windows makes it)"

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

work=$(mktemp -d /tmp/tagmere-windows-package.XXXXXX)
# winemenubuilder off: it would copy the installer's Start-menu entry into this account's
# desktop menu, where nothing takes it away again.
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
unset DISPLAY
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# Runs a Windows program and waits until it and whatever it started (an uninstaller's copy
# of itself in the temporary folder) have ended.
run() { "$wine" "$@" 2>/dev/null | tr -d '\r'; local rc=${PIPESTATUS[0]}; "$wineserver" -w; return "$rc"; }

# A new wine folder prints and starts helpers on first use: once here, quietly.
"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w
drive_c=$WINEPREFIX/drive_c
dir=$drive_c/Program\ Files/Tagmere
win_dir='C:\Program Files\Tagmere'
shortcut=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Tagmere.lnk
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tagmere'
lists=$drive_c/ProgramData/Calvex/OrbKeywordFiles

# The ZIP: one folder with exactly these files; its command-line tool runs.
name=tagmere-$version-windows-x86_64
files=(LICENSE.txt OrbFactoryKeywords.txt README.md tagmere-cli.exe tagmere.exe)
if [ -f "$src/packaging/tagmere.ico" ] || [ -f "$src/packaging/icons/tagmere.ico" ]; then files+=(tagmere.ico); fi
expected=$(printf "$name/%s\n" "${files[@]}" | LC_ALL=C sort)
check "zip lists exactly: ${files[*]}" [ "$(unzip -Z1 "$zipfile" | LC_ALL=C sort)" = "$expected" ]
unzip -q "$zipfile" -d "$work/zip"
check "zip: LICENSE.txt has CR LF line ends" \
    [ "$(grep -c $'\r$' "$work/zip/$name/LICENSE.txt")" = "$(wc -l <"$work/zip/$name/LICENSE.txt")" ]
out=$(run "$work/zip/$name/tagmere-cli.exe" --version)
check "zip: tagmere-cli.exe --version prints $version ($out)" [ "$out" = "tagmere-cli $version" ]

# Silent install.
run "$setup" /S
check "setup /S exits 0" [ $? -eq 0 ]
for f in "${files[@]}" uninstall.exe; do
    check "installed: Program Files/Tagmere/$f" [ -f "$dir/$f" ]
done
for f in "${files[@]}"; do
    cmp -s "$dir/$f" "$work/zip/$name/$f" || fail "installed $f differs from the zip's"
done
check "Start-menu shortcut Tagmere.lnk" [ -f "$shortcut" ]
reg=$(run reg query "$key")
for value in "DisplayName    REG_SZ    Tagmere" "DisplayVersion    REG_SZ    $version" \
    "Publisher    REG_SZ    Tagmere maintainers" "UninstallString    REG_SZ    \"$win_dir\\uninstall.exe\"" \
    "QuietUninstallString    REG_SZ    \"$win_dir\\uninstall.exe\" /S" "InstallLocation    REG_SZ    $win_dir" \
    "DisplayIcon" "EstimatedSize" "NoModify    REG_DWORD    0x1" "NoRepair    REG_DWORD    0x1"; do
    check "uninstall key: $value" grep -qF "    $value" <<<"$reg"
done

# The installed programs start.
out=$(run "$win_dir\\tagmere-cli.exe" --version)
check "installed tagmere-cli.exe --version prints $version" [ "$out" = "tagmere-cli $version" ]
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
DISPLAY=:$display "$wine" "$win_dir\\tagmere.exe" >/dev/null 2>&1 &
gui_pid=$!
window=""
for _ in $(seq 40); do
    window=$(DISPLAY=:$display xdotool search --name Tagmere 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.5
done
check "installed tagmere.exe opens a window named Tagmere" [ -n "$window" ]
kill "$gui_pid" 2>/dev/null
"$wineserver" -w
kill "$xvfb_pid" 2>/dev/null
xvfb_pid=""
check "the window's first start wrote the keyword lists (ProgramData/Calvex/OrbKeywordFiles)" [ -d "$lists" ]

# Silent uninstall: everything the installer wrote goes, the user's lists stay.
run "$win_dir\\uninstall.exe" /S
check "uninstall.exe /S exits 0" [ $? -eq 0 ]
for _ in $(seq 20); do [ -e "$dir" ] || break; sleep 0.5; done
check "uninstalled: Program Files/Tagmere is gone" [ ! -e "$dir" ]
check "uninstalled: the shortcut is gone" [ ! -e "$shortcut" ]
key_gone() { ! "$wine" reg query "$key" >/dev/null 2>&1; }
check "uninstalled: the uninstall key is gone" key_gone
check "uninstall kept the user's keyword lists" [ -d "$lists" ]

# A file the user put into the program's folder survives an uninstall, and so does the folder.
run "$setup" /S
echo "mine" >"$dir/notes.txt"
run "$win_dir\\uninstall.exe" /S
for _ in $(seq 20); do [ -e "$dir/tagmere.exe" ] || [ -e "$dir/uninstall.exe" ] || break; sleep 0.5; done
check "uninstall kept a user's file in the folder, and removed the rest" \
    [ "$(ls "$dir" 2>/dev/null)" = notes.txt ]

if [ $failures -ne 0 ]; then
    echo "FAIL: $failures check(s) failed"
    exit 1
fi
echo "PASS: all Windows package checks"
