# Shared by the rig's scripts: where a build folder keeps its Wine session.
#   $build/rig/prefix    private WINEPREFIX, made once per build folder
#   $build/rig/display   the X display of the running session (absent: none)
#   $build/rig/pids      processes the session started, ended by PID on stop
#   $build/rig/ports/    ports that rigctl started (their processes are in pids too)
#   $build/rig-host/bin  the rig's Linux programs (tests/rig/host)
#
# RIG_PRELOAD names the rig's tty library once it is built. Wine programs and the
# wineserver both need it: the program does the modem ioctls, the wineserver opens
# the devices. It is given to them alone, never exported to the rig's own tools.

rig_env() {
  local build=$1
  RIG_DIR="$build/rig"
  export WINEPREFIX="$RIG_DIR/prefix"
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko install prompts in a prefix nobody looks at.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  RIG_PRELOAD=
  if [ -f "$build/rig-host/bin/librigtty.so" ]; then
    RIG_PRELOAD="$build/rig-host/bin/librigtty.so"
  fi
  if [ -f "$RIG_DIR/display" ]; then
    DISPLAY=$(cat "$RIG_DIR/display")
    export DISPLAY
  fi
}

# Makes the prefix on first use; concurrent callers wait for the first one.
rig_prefix() {
  mkdir -p "$RIG_DIR"
  (
    flock 9
    # The marker holds the version of the prefix's settings: one an older rig
    # made is made anew.
    if [ "$(cat "$WINEPREFIX/.quillon-ready" 2>/dev/null)" != 2 ]; then
      rm -rf "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1
      # A virtual desktop gives windows real frames without a window manager,
      # and keeps "wine prog.exe" running the program in its own process.
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Quillon /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Quillon /d 1024x768 /f >/dev/null 2>&1
      # A program that crashes gets Wine's debugger, whose crash dialog would
      # wait on the invisible display, holding the test's output open until its
      # time-out; without the dialog the debugger prints the backtrace and the
      # program ends at once.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      wineserver -w
      echo 2 >"$WINEPREFIX/.quillon-ready"
    fi
  ) 9>"$RIG_DIR/prefix.lock"
}
