# Sourced by the test and demo scripts: a private X display and Wine prefix.
export WINEDEBUG=-all
# No debugger: a crashing test program must end, not wait in winedbg for ever.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe=d"
# Under qemu's emulation, 32-bit Wine spends a minute probing the 4 GiB address space at
# every start; limiting the emulated space to what a 32-bit Windows process uses makes
# that 2 seconds. Ignored where 32-bit code runs natively.
export QEMU_RESERVED_VA=0x81000000
# The 64-bit loader starts 64-bit tools (reg, regedit, wineboot) natively and hands
# 32-bit programs to the 32-bit one; the plain `wine` script always goes 32-bit first.
if [ -x /usr/lib/wine/wine64 ]; then TESSARY_WINE=/usr/lib/wine/wine64; else TESSARY_WINE=wine; fi
export TESSARY_WINE

tessary_start_xvfb() {
  local display=90
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  TESSARY_XVFB_PID=$!
  export DISPLAY=":$display"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && return 0; sleep 0.1; done
  echo "Xvfb did not start" >&2
  return 1
}

# A fresh prefix: 64-bit Wine with its 32-bit side, as on 64-bit Windows.
tessary_make_prefix() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$TESSARY_WINE" wineboot -i </dev/null >/dev/null 2>&1
  # Without a window manager Wine stalls 2 s in every DestroyWindow unless it draws the
  # frames itself.
  "$TESSARY_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$TESSARY_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
}

# One wineserver for the whole run, its services started before anything that captures
# output, so that they do not hold CTest's pipes open.
tessary_start_wineserver() {
  wineserver -p
  "$TESSARY_WINE" wineboot </dev/null >/dev/null 2>&1
}

tessary_stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${TESSARY_XVFB_PID:-}" ] && kill "$TESSARY_XVFB_PID" >/dev/null 2>&1 || true
}
