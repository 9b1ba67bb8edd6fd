# Shared by scripts/test, scripts/run and scripts/bench: a throwaway Wine prefix with a
# persistent wineserver, and an X display (the caller's, or a private Xvfb).
# Source it, call use_display before make_wine_prefix (Wine's desktop process keeps the
# display it started with), and stop_wine_and_display undoes what was started.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

started_xvfb_pid=""
started_prefixes=()

# make_wine_prefix DIR ARCH [unmanaged]: a fresh prefix (ARCH win32 or win64) with its server kept
# running. With "unmanaged" Wine draws its windows without a window manager: on a bare Xvfb a
# managed window makes every hide wait two seconds for a window manager that never answers.
make_wine_prefix() {
  local dir=$1 arch=$2 mode=${3:-managed}
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  WINEPREFIX=$dir WINEARCH=$arch wineboot -i >/dev/null 2>&1
  WINEPREFIX=$dir wineserver -w
  (WINEPREFIX=$dir wineserver -p >/dev/null 2>&1 &)
  started_prefixes+=("$dir")
  # The first command also starts Wine's background services, detached from any pipe: started
  # by a test they would inherit its output pipe and keep ctest waiting for the end of it.
  local managed=Y
  [ "$mode" = unmanaged ] && managed=N
  WINEPREFIX=$dir wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f \
    </dev/null >/dev/null 2>&1
}

# use_display [private]: keeps $DISPLAY when it works, else (or always, with "private") starts Xvfb
# on a free display number.
use_display() {
  if [ "${1:-}" != private ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return
  fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  started_xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return
    sleep 0.05
  done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}

stop_wine_and_display() {
  local dir
  for dir in "${started_prefixes[@]}"; do
    WINEPREFIX=$dir wineserver -k >/dev/null 2>&1 || true
  done
  if [ -n "$started_xvfb_pid" ]; then
    kill "$started_xvfb_pid" 2>/dev/null || true
    wait "$started_xvfb_pid" 2>/dev/null || true
  fi
}
