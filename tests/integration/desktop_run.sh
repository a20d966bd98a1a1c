#!/usr/bin/env bash
# The program in desktop mode on a virtual X display with a notification area (Xvfb and
# trayer), driven as a person would with xdotool: its tray icon is there, its menu opens the
# printers dialog, a printer is shared with a password through the share and confirmation
# dialogs, and then a host's job with the wrong password is refused (8) and one with the right
# password prints. A screenshot of the printers dialog is kept in the artefact folder.
#
#   desktop_run.sh PROGRAM VALDOR-HOST TS-SCREENSHOT ARTEFACT-FOLDER
#
# Exit 77 (skipped) when Xvfb, trayer or xdotool is missing. Every wait has a bound.
set -uo pipefail
exe=$1 host=$2 shot=$3 artefacts=$4

for tool in Xvfb trayer xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done

work=$(mktemp -d /tmp/ts-desktop.XXXXXX)
mkdir -p "$artefacts" "$work/spool/Printer1" "$work/config" "$work/state" "$work/cache" "$work/run" "$work/tmp"
chmod 700 "$work/run"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null
  done
  cp "$work/program.log" "$artefacts/program.log" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -n "${DISPLAY:-}" ] && shoot "$artefacts/failure.png" >/dev/null 2>&1 && echo "screen at the failure: $artefacts/failure.png"
  echo "--- program output"; cat "$work/program.log" 2>/dev/null
  exit 1
}

# wait_for SECONDS COMMAND...: runs the command every 0.2 s until it succeeds; gives up at
# once when it ends with 2 (what it waits for can no longer come).
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $? -eq 2 ] && return 1
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

# The screenshot tool is a Qt program: under a sanitizer build it is no subject of the leak
# check (the display libraries keep their caches to the end).
shoot() { ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$shot" "$@"; }

window_named() { xdotool search --onlyvisible --name "^$1\$" | head -n1; }
has_window() { [ -n "$(window_named "$1")" ]; }

# The display: Xvfb tells its number once it listens.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
echo "display $DISPLAY"

# The notification area. On a loaded machine trayer now and then never maps its window (it
# stays alive, or ends without a word): a second one is started before the test gives up.
start_trayer() {
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true --expand false \
    --transparent false >>"$work/trayer.log" 2>&1 &
  pids+=($!)
  wait_for 15 sh -c 'xdotool search --class trayer | grep -q .'
}
start_trayer || { kill "${pids[-1]}" 2>/dev/null; start_trayer; } ||
  fail "trayer did not start: $(cat "$work/trayer.log")"

# Under a sanitizer build, the desktop's libraries keep what they allocated (the D-Bus
# connection of the notification area, fontconfig's cache) to the end: not ours to free.
printf 'leak:libdbus-1.so\nleak:libfontconfig.so\n' >"$work/lsan.supp"
env -u INVOCATION_ID -u NOTIFY_SOCKET -u WAYLAND_DISPLAY \
  LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp" \
  QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 LANG=C.UTF-8 \
  TYPESTONE_REGISTRY="$work/registry.sqlite" TYPESTONE_SPOOLER="folder:$work/spool" TYPESTONE_ANY_PORTS=1 \
  XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" \
  XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp" \
  "$exe" >"$work/program.log" 2>&1 &
program=$!
pids+=($program)
# A first start of this version asks whether to show its release notes: No, the right one of
# the two buttons in the lower right corner.
answer_welcome() {
  local w size
  w=$(window_named "Typestone")
  [ -n "$w" ] || return 0
  size=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
  set -- $size
  [ -n "${1:-}" ] && xdotool mousemove --window "$w" $(($1 - 51)) $(($2 - 24)) click 1
  return 0
}
listening() {
  grep -q "listening on UDP port" "$work/program.log" && return 0
  answer_welcome
  kill -0 "$program" 2>/dev/null || { wait "$program"; echo "the program ended with $?" >>"$work/program.log"; return 2; }
  return 1
}
wait_for 150 listening
grep -q "listening on UDP port" "$work/program.log" || fail "the program did not start listening"
job_port=$(sed -n 's/.*listening on UDP port [0-9]* and job port \([0-9]*\).*/\1/p' "$work/program.log" | head -n1)
echo "job port $job_port"

# The icon: a small window of the program inside the notification area.
find_icon() {
  local w g
  for w in $(xdotool search --onlyvisible --classname typestone 2>/dev/null); do
    g=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
    set -- $g
    if [ -n "${1:-}" ] && [ "$1" -le 64 ] && [ "$2" -le 64 ]; then echo "$w"; return 0; fi
  done
  return 1
}
wait_for 30 find_icon || fail "no tray icon"
icon=$(find_icon)
echo "tray icon window $icon"

# The menu: a click on the icon opens it; the keyboard walks to "Configuration".
open_configuration() {
  xdotool mousemove --window "$icon" 8 8 click 1
  sleep 1
  # Disable, Autoload, (Show at Startup is greyed), Help, About, Configuration.
  xdotool key --delay 150 Down Down Down Down Down Return
  wait_for 15 has_window "Printers Available to Share"
}
open_configuration || open_configuration || fail "the menu did not open the printers dialog"
dialog=$(window_named "Printers Available to Share")
echo "printers dialog $dialog"
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
sleep 0.5
shoot "$artefacts/printers-dialog-before.png" "$dialog" || true

# A double click on the first row (Printer1) opens its share dialog.
xdotool mousemove --window "$dialog" 36 37 click --repeat 2 --delay 100 1
wait_for 15 has_window "Share Printer" || fail "the share dialog did not open"
share=$(window_named "Share Printer")
xdotool windowactivate --sync "$share" >/dev/null 2>&1 || true
sleep 0.5
# Focus starts on the printer's name; then the radio group, the share name, the password.
xdotool key --delay 100 Tab Tab
xdotool key --delay 50 ctrl+a
xdotool type --delay 50 "HOSTPRT"
xdotool key --delay 100 Tab
xdotool type --delay 50 "s3cret"
shoot "$artefacts/share-dialog.png" "$share" || true
# "Print Test", the right one of the two printer buttons: the printer test prints on Printer1 and shows its outcome
# beside the page it should give; Escape closes it once the test is over.
size=$(xdotool getwindowgeometry "$share" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
set -- $size
xdotool mousemove --window "$share" $(($1 * 3 / 4)) $(($2 - 47)) click 1
wait_for 30 has_window "Printer Test" || fail "the printer test dialog did not open"
tester=$(window_named "Printer Test")
wait_for 60 sh -c "ls '$work'/spool/Printer1/*.pdf >/dev/null 2>&1 || exit 1" || fail "the printer test printed nothing"
sleep 1
shoot "$artefacts/printer-test.png" "$tester" || true
echo "screenshot $artefacts/printer-test.png"
xdotool windowactivate --sync "$tester" >/dev/null 2>&1 || true
xdotool key Escape
wait_for 15 sh -c "! xdotool search --onlyvisible --name '^Printer Test\$' | grep -q ." ||
  fail "the printer test dialog did not close"
sleep 0.3
# The keyboard focus may not come back without a window manager: OK by the mouse, the left
# one of the two buttons in the lower right corner.
size=$(xdotool getwindowgeometry "$share" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
set -- $size
xdotool mousemove --window "$share" $(($1 - 137)) $(($2 - 18)) click 1
wait_for 15 has_window "Password Confirmation" || fail "the password confirmation did not open"
confirm=$(window_named "Password Confirmation")
xdotool windowactivate --sync "$confirm" >/dev/null 2>&1 || true
sleep 0.3
xdotool type --delay 50 "s3cret"
xdotool key Return
wait_for 15 sh -c "! xdotool search --onlyvisible --name '^Share Printer\$' | grep -q ." ||
  fail "the share dialog did not close"
sleep 0.5
shoot "$artefacts/printers-dialog.png" "$dialog" || fail "no screenshot of the printers dialog"
echo "screenshot $artefacts/printers-dialog.png"

# OK, the left one of the two buttons in the lower right corner.
size=$(xdotool getwindowgeometry "$dialog" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
set -- $size
xdotool mousemove --window "$dialog" $(($1 - 137)) $(($2 - 24)) click 1
wait_for 15 sh -c "! xdotool search --onlyvisible --name '^Printers Available to Share\$' | grep -q ." ||
  fail "the printers dialog did not close with OK"

# A host's jobs: the wrong password is refused with 8, the right one prints.
printf 'wrong\r\n\f' | "$host" --host 127.0.0.1 --port "$job_port" --printer Printer1 --password nope --raw - \
  >"$work/wrong.log" 2>&1
wrong=$?
[ $wrong -eq 1 ] && grep -q "^reply code 8 " "$work/wrong.log" ||
  fail "the wrong password was not refused with 8: $(cat "$work/wrong.log")"
printf 'Desktop job\r\n\f' | "$host" --host 127.0.0.1 --port "$job_port" --printer Printer1 --password s3cret --raw - \
  >"$work/right.log" 2>&1 && grep -q "^reply code 0 " "$work/right.log" ||
  fail "the job with the right password failed: $(cat "$work/right.log")"
wait_for 30 sh -c "grep -l 'Desktop job' '$work'/spool/Printer1/*.prn" || fail "the job did not print"
echo "wrong password: $(tr '\n' ' ' <"$work/wrong.log")"
echo "right password: $(tr '\n' ' ' <"$work/right.log")"

kill "$program"
for _ in $(seq 300); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not stop on SIGTERM"
wait "$program"
rc=$?
[ $rc -eq 0 ] || fail "the program ended with $rc after SIGTERM"
echo "PASS"
