#!/usr/bin/env bash
# The companion service on a sample machine, from INIT to UNINST: INIT
# registers and starts it; an unattended run with the temp folders, recent
# links, typed URLs, previous searches and AutoComplete forms then empties
# them, the forms through the running service (a copy of the machine run
# without it is refused them, and the service's own read counter moves);
# Wine's reg query reads the registration and the run's changes; UNINST
# stops and removes it, leaving no process and no registration.
#   companion_service_run_test.sh KLENPRO KP_MAKE_MACHINE
set -euo pipefail
program=$1 make_machine=$2
service=$(dirname "$program")/klenpro-service
wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver64

work=$(mktemp -d)
machine=$work/machine
fail() { echo "FAIL: $*" >&2; exit 1; }

# The service processes whose environment matches PATTERN.
services_with() {
  local proc
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/exe" 2>/dev/null)" = "$(readlink -f "$service")" ] || continue
    tr '\0' '\n' <"$proc/environ" 2>/dev/null | grep -q "$1" && echo "${proc#/proc/}"
  done
  return 0
}
# Those of this test's machines.
machine_services() { services_with "^WINEPREFIX=$work/"; }
# Those that Wine's service manager started, without WINEPREFIX, in a folder
# of this test's machines.
wine_started_services() {
  local proc
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/exe" 2>/dev/null)" = "$(readlink -f "$service")" ] || continue
    case "$(readlink "$proc/cwd" 2>/dev/null)" in "$work"/*) echo "${proc#/proc/}" ;; esac
  done
  return 0
}
cleanup() {
  local pid
  # The sessions end first: their service manager starts no service after.
  for prefix in "$machine" "$work/control"; do
    [ -d "$prefix" ] && WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
  done
  # Wine's service manager starts auto-start services too, without WINEPREFIX:
  # any service that runs with this test's runtime folder or in its machines is the test's.
  for pid in $(machine_services) $(services_with "^XDG_RUNTIME_DIR=$work/runtime\$") $(wine_started_services); do
    kill -KILL "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/share QT_QPA_PLATFORM=
unset DISPLAY WAYLAND_DISPLAY
run() { # run PREFIX NAME KEYWORD...: the program's status; output in $work/NAME.out and .err
  local prefix=$1 name=$2 status=0
  shift 2
  WINEPREFIX=$prefix timeout 300 "$program" "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  echo "$status"
}
reg_query() { # reg_query KEY...: Wine's answer, its status in $work/reg.status
  local status=0
  WINEPREFIX=$machine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 "$wine" reg query "$@" \
    2>/dev/null | tr -d '\r' || status=$?
  echo "$status" >"$work/reg.status"
}

"$make_machine" --auto-purge "$machine" >/dev/null
user="$machine/drive_c/Documents and Settings/Owner"
temps=("$user/Local Settings/Temp" "$machine/drive_c/WINDOWS/TEMP")
ini="$user/Application Data/Klenzor/KlenPro.Ini"
sed -i 's/^\[AutoOptions\]\r$/[AutoOptions]\r\nTemp=1\r\nRecent=1\r\nURLs=1\r\nClearPrevSrch=1\r\nClearAutoForm=1\r/' "$ini"
grep -q '^Temp=1' "$ini" || fail "the options were not set in $ini"
printf '[TempFolders]\r\nTmpDir=Y\r\nWinDir=Y\r\n' >>"$ini"
storage='Software\\Microsoft\\Protected Storage System Provider\\S-1-5-21-0-0-0-1000\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db\\e161255a-37c3-11d2-bcaa-00c04fd929db'
form_item="[$storage\\\\email]" password_item="[$storage\\\\http://example.com/login1.aspx:StringData]"
for folder in "${temps[@]}"; do
  [ -n "$(ls -A "$folder")" ] || fail "the sample machine has nothing in $folder"
done
ls "$user/Recent/"*.lnk >/dev/null || fail "the sample machine has no recent links"
for text in "$form_item" "$password_item" '"PreviousSearches"' '[Software\\Microsoft\\Internet Explorer\\TypedURLs]'; do
  grep -qF "$text" "$machine/user.reg" || fail "the sample machine has no $text"
done

# Without the service the AutoComplete forms are refused.
cp -a "$machine" "$work/control"
status=$(run "$work/control" control AUTO)
[ "$status" -eq 5 ] || fail "the run without the service ended with $status, not 5"
grep -qxF "*** Error - Bypassed - This function requires the Klenzor XP Service." "$work/control.out" \
  || fail "the run without the service did not bypass the forms: $(cat "$work/control.out")"
grep -qF "$form_item" "$work/control/user.reg" || fail "the forms went without the service"

status=$(run "$machine" init INIT)
[ "$status" -eq 0 ] || fail "INIT ended with $status: $(cat "$work/init.err")"
pids=$(machine_services)
[ "$(wc -w <<<"$pids")" -eq 1 ] || fail "INIT left service processes [$pids], not one"
pid=$pids
grep -qF '[System\\CurrentControlSet\\Services\\KlenProService]' "$machine/system.reg" \
  || fail "INIT registered no service in system.reg"
socket=$(echo "$work/runtime/klenpro/"*/pipe-kpropipe)
[ -S "$socket" ] || fail "the service serves no pipe socket"
[ "$(stat -c %a "$socket")" = 600 ] || fail "the pipe socket is open to others: $(stat -c %a "$socket")"

reads_before=$(sed -n 's/^rchar: //p' "/proc/$pid/io")
status=$(run "$machine" auto AUTO)
[ "$status" -eq 0 ] || fail "the unattended run ended with $status: $(cat "$work/auto.out" "$work/auto.err")"
reads_after=$(sed -n 's/^rchar: //p' "/proc/$pid/io")
[ "$reads_after" -gt "$reads_before" ] || fail "the service read no request during the run"
[ "$(machine_services)" = "$pid" ] || fail "the service was not the same process throughout"
grep -A1 -xF "Clear AutoComplete Forms:" "$work/auto.out" | grep -qx "  [0-9]* Entries deleted  " \
  || fail "the forms purge had no reply from the service: $(cat "$work/auto.out")"

for folder in "${temps[@]}"; do
  [ -z "$(ls -A "$folder")" ] || fail "$folder still holds $(ls -A "$folder")"
done
! ls "$user/Recent/"*.lnk >/dev/null 2>&1 || fail "recent links are left"
[ -f "$user/Recent/desktop.ini" ] || fail "the Recent folder lost a file that is no link"
! grep -qF "$form_item" "$machine/user.reg" || fail "an AutoComplete form item is left"
grep -qF "$password_item" "$machine/user.reg" || fail "a password item went with the forms"
! grep -qF '"PreviousSearches"' "$machine/user.reg" || fail "previous searches are left"

# Wine reads what the service registered and what the run left.
registration=$(reg_query 'HKLM\System\CurrentControlSet\Services\KlenProService')
[ "$(cat "$work/reg.status")" -eq 0 ] || fail "Wine's reg query does not find the service: $registration"
grep -qE '^ +DisplayName +REG_SZ +KlenPro XP Service$' <<<"$registration" || fail "Wine reads: $registration"
grep -qE '^ +ImagePath +REG_EXPAND_SZ +.*klenpro-service$' <<<"$registration" || fail "Wine reads: $registration"
typed=$(reg_query 'HKCU\Software\Microsoft\Internet Explorer\TypedURLs')
! grep -q 'url1' <<<"$typed" || fail "Wine still reads typed URLs: $typed"
WINEPREFIX=$machine "$wineserver" -k 2>/dev/null || true
WINEPREFIX=$machine "$wineserver" -w

status=$(run "$machine" uninst UNINST)
[ "$status" -eq 0 ] || fail "UNINST ended with $status: $(cat "$work/uninst.err")"
[ -z "$(machine_services)" ] || fail "UNINST left service processes $(machine_services)"
# The service removes its process record just before it exits.
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$pid" 2>/dev/null || fail "the service process $pid still runs"
! grep -qF 'KlenProService' "$machine/system.reg" || fail "UNINST left the registration in system.reg"
[ ! -e "$socket" ] || fail "UNINST left the pipe socket"
! ls "$work/runtime/klenpro/"*/service-* >/dev/null 2>&1 || fail "UNINST left the service's process record"
registration=$(reg_query 'HKLM\System\CurrentControlSet\Services\KlenProService')
[ "$(cat "$work/reg.status")" -ne 0 ] || fail "Wine still reads the service after UNINST: $registration"
echo "companion service run: all checks passed"
