#!/usr/bin/env bash
# The program installed to a fresh prefix: laid out as a Linux program, it
# runs from there through bin/klenpro, finds its shipped plugins in its own
# folder and cleans a sample machine with them; the desktop entry and the
# manual page it installs are valid, and the page names every keyword that
# --help lists.
#   installed_program_test.sh CMAKE BUILD_DIR KP_MAKE_MACHINE SHIPPED_PLUGINS_DIR
set -euo pipefail
cmake=$1 build=$2 make_machine=$3 shipped=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/bin/klenpro

link=$(readlink "$program") || fail "bin/klenpro is not a symlink"
[[ $link != /* ]] || fail "bin/klenpro leads to an absolute path: $link"
[ "$(readlink -f "$program")" = "$prefix/lib/klenpro/klenpro" ] || fail "bin/klenpro leads to $link"
[ -x "$prefix/lib/klenpro/klenpro-service" ] || fail "no companion service beside the program"
diff <(cd "$shipped" && ls) <(cd "$prefix/lib/klenpro/PLUGINS" && ls) || fail "the shipped plugins differ"
for file in KLENPRO.HLP/index.htm KLENPRO.HLP/300.htm purgeqst.rtf KproMsgs.txt klenpro.ManifesT klenpro.ManifesI KlenPro.ico FastPro.ico ShutPro.ico klenwin.exe; do
  [ -f "$prefix/lib/klenpro/$file" ] || fail "no $file beside the program"
done

version=$("$program" --version)
[[ $version == "Klenzor Pro Version - "* ]] || fail "--version printed: $version"

desktop=$prefix/share/applications/klenpro.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for file in scalable/apps/$icon.svg 48x48/apps/$icon.png 256x256/apps/$icon.png; do
  [ -f "$prefix/share/icons/hicolor/$file" ] || fail "no icon $file"
done

page=$prefix/share/man/man1/klenpro.1
warnings=$(man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
text=$(MANWIDTH=100 man -l "$page" 2>/dev/null)
for heading in NAME SYNOPSIS DESCRIPTION KEYWORDS "EXIT STATUS" ENVIRONMENT FILES; do
  grep -qx "$heading" <<<"$text" || fail "the manual page has no $heading"
done
# --help's keyword column: "  AUTO, BOOT, SHUT   text", "  LEVEL1..LEVEL9  text".
for keyword in $("$program" --help | sed -n 's/^  \([^ ].*\)$/\1/p' | sed 's/   *.*//; s/,/ /g; s/\.\./ /g'); do
  grep -qw -- "$keyword" <<<"$text" || fail "the manual page does not name $keyword"
done

# A sample machine whose user runs every shipped plugin in an unattended purge.
machine=$work/machine
"$make_machine" --auto-purge "$machine" >/dev/null
data="$machine/drive_c/Documents and Settings/Owner/Application Data/Klenzor"
sed -i 's/^\[AutoOptions\]\r$/[AutoOptions]\r\nRunPlugins=1\r/' "$data/KlenPro.Ini"
(cd "$shipped" && for plugin in *; do printf '%s\r\n' "$plugin"; done) >"$data/Plugins.Dat"
traces=(beach.bmp radio.example.com/live.asx)
for trace in "${traces[@]}"; do
  grep -qF "$trace" "$machine/user.reg" || fail "the sample machine has no trace $trace"
done

mkdir -m 700 "$work/runtime"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/share" \
  WINEPREFIX="$machine" "$program" AUTO >"$work/report" 2>"$work/errors" || status=$?
[ "$status" -eq 0 ] || { cat "$work/report" "$work/errors" >&2; fail "the unattended run ended with $status"; }
for plugin in $(cd "$shipped" && ls); do
  grep -qxF "Process Plugin - $plugin" "$work/report" || fail "the report has no run of $plugin"
done
for trace in "${traces[@]}"; do
  ! grep -qF "$trace" "$machine/user.reg" || fail "the trace $trace is still there"
done
echo "installed program: all checks passed"
