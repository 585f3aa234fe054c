#!/usr/bin/env bash
# run-quillon.sh BUILD: Quillon under Wine with an emulated adapter on a virtual port.
#   BUILD is the Windows build folder (make run passes build/win64).
# A socat pty pair is mapped to COM9 and added to the serial device list, with the
# adapter emulator at its far end, so the port list is never empty.
# With DISPLAY set, the window opens for the user (own prefix, no virtual desktop)
# and the script returns when it is closed. Without one, Quillon runs in the rig's
# Xvfb session: the script selects the virtual port, presses Check, prints the
# port list and the memo, saves a screenshot as BUILD/../quillon.png and ends
# everything it started.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/rig/rig-lib.sh"
com=COM9
user_display=${DISPLAY:-}
rigctl="$build/rig-host/bin/rigctl"
driver_exe="$build/tests/rig/driver/rigdriver.exe"
exe=$(sed -n 's/^QUILLON_DIST_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")/Quillon.exe
for f in "$exe" "$rigctl" "$driver_exe"; do
  [ -e "$f" ] || { echo "run-quillon: $f is not built" >&2; exit 1; }
done

quillon_pid=
driver_pid=
cleanup() {
  [ -n "$quillon_pid" ] && kill "$quillon_pid" 2>/dev/null || true
  [ -n "$driver_pid" ] && kill "$driver_pid" 2>/dev/null || true
  "$rigctl" "$build" port-down "$com" 2>/dev/null || true
  if [ -n "$user_display" ]; then
    wineserver -k 2>/dev/null || true
  else
    "$root/tests/rig/session" stop "$build"
  fi
}
trap cleanup EXIT

if [ -n "$user_display" ]; then
  # The user's own display: a prefix of its own, without the tests' virtual desktop.
  rig_env "$build"
  export DISPLAY=$user_display
  export WINEPREFIX="$build/rig/user-prefix" RIG_WINEPREFIX="$build/rig/user-prefix"
  if [ ! -f "$WINEPREFIX/.quillon-ready" ]; then
    echo "Preparing the Wine prefix (once)..."
    wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.quillon-ready"
  fi
  LD_PRELOAD=$RIG_PRELOAD wineserver -p >/dev/null 2>&1
  # Wine's services start with the first program and keep its output open.
  LD_PRELOAD=$RIG_PRELOAD wine cmd /c exit >/dev/null 2>&1 </dev/null
else
  "$root/tests/rig/session" start "$build"
  rig_env "$build"
fi

"$rigctl" "$build" port-up "$com" --mode reply >/dev/null
coproc DRV { LD_PRELOAD=$RIG_PRELOAD exec wine "$driver_exe" 2>/dev/null; }
driver_pid=$DRV_PID
ask() {
  echo "$*" >&"${DRV[1]}"
  IFS= read -r -t 60 reply <&"${DRV[0]}"
  reply=${reply%$'\r'}  # the driver's standard output is in text mode
  case $reply in ok*) return 0 ;; *) return 1 ;; esac
}
field() { printf '%s' "$reply" | cut -f"$1"; }
# Wine's mount manager writes the device list when the session's services start:
# add the virtual port after that.
ask serialcomm set QuillonVirtual="$com"

if [ -n "$user_display" ]; then
  echo "Quillon is running on $DISPLAY; $com is the emulated adapter. Close the window to end."
  LD_PRELOAD=$RIG_PRELOAD wine "$exe" >/dev/null 2>&1
  exit 0
fi

LD_PRELOAD=$RIG_PRELOAD wine "$exe" >"$build/rig/quillon-run.log" 2>&1 &
quillon_pid=$!
ask main 30000 Quillon || { echo "run-quillon: no Quillon window" >&2; exit 1; }
window=$(field 2)
ask children "$window"
combo= memo= check=
for rec in $(printf '%s' "$reply" | cut -f2- | tr '\t' '\n' | tr ' ' '\001'); do
  IFS='|' read -r h cls _ _ _ _ _ _ text <<<"$rec"
  shopt -s nocasematch
  case $cls in
    *combobox*) [ -z "$combo" ] && combo=$h ;;
    *edit*|*memo*) [ -z "$memo" ] && memo=$h ;;
  esac
  shopt -u nocasematch
  [ "$text" = Check ] && [ -z "$check" ] && check=$h
done

decode() { printf '%b' "$1" | tr -d '\r'; }
if [ -n "$combo" ]; then
  # The list is rebuilt every second with the first port selected: pick the
  # virtual port and press Check at once.
  ask combo "$combo"
  index=-1 i=0
  for item in $(printf '%s' "$reply" | cut -f4- | tr '\t' ' '); do
    [ "$item" = "$com" ] && index=$i
    i=$((i + 1))
  done
  if [ "$index" -ge 0 ] && [ -n "$check" ]; then
    ask select "$combo" "$index" && ask press "$check"
    for _ in $(seq 30); do
      sleep 0.1
      ask text "$memo" && case $(field 2) in *"Device found"*) break ;; esac
    done
  fi
  if ask msgbox 200; then
    echo "Message box \"$(decode "$(field 3)")\": $(decode "$(field 4)")"
    ask dismiss "$(field 2)"
  fi
  ask combo "$combo"
  echo "Ports: $(printf '%s' "$reply" | cut -f4- | tr '\t' ' ')  (selected: $(decode "$(field 3)"))"
fi
if [ -n "$memo" ]; then
  ask text "$memo"
  if [ -z "$(field 2)" ]; then
    echo "Memo: (empty)"
  else
    echo "Memo:"
    decode "$(field 2)" | sed 's/^/  /'
    echo
  fi
fi
ask window "$window"
geometry=$(printf '%s' "$reply" | tr '\t' '\n' | sed -n 's/^\([xywh]\)=/\1=/p' | tr '\n' ' ')
eval "$geometry"
shot="$(dirname "$build")/quillon.png"
import -display "$DISPLAY" -window root -crop "$((w + 16))x$((h + 16))+$((x - 8))+$((y - 8))" +repage "$shot"
echo "Screenshot: $shot"
ask close "$window" || true
for _ in $(seq 30); do kill -0 "$quillon_pid" 2>/dev/null || break; sleep 0.1; done
