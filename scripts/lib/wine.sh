# Shared by scripts/test, scripts/run and scripts/bench: whether this host runs 32-bit code, a
# throwaway Wine prefix with a persistent wineserver, and an X display (the caller's, or a
# private Xvfb). Source it, call use_display before make_wine_prefix (Wine's desktop process
# keeps the display it started with), and stop_wine_and_display undoes what was started.
# A step that fails says which step and why (set_up_failed) and returns non-zero.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The loaders themselves: the `wine` launcher picks the 32-bit one whenever wine32 is installed,
# even on a host that cannot execute it.
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

started_xvfb_pid=""
started_prefixes=()

set_up_failed() {
  local step=$1 log=${2:-}
  echo "set-up failed: $step" >&2
  if [ -n "$log" ] && [ -s "$log" ]; then
    echo "  last lines of $log:" >&2
    tail -n 5 "$log" | sed 's/^/    /' >&2
  fi
}

# detect_32bit_support: sets can_run_32bit to yes or no, by executing the 32-bit Wine loader,
# and no_32bit_reason to why not. QUILLMERE_64BIT_ONLY=1 takes the 64-bit-only path on any host.
detect_32bit_support() {
  can_run_32bit=no
  local output
  if [ "${QUILLMERE_64BIT_ONLY:-0}" != 0 ]; then
    no_32bit_reason="QUILLMERE_64BIT_ONLY is set"
  elif [ ! -e "$wine32" ]; then
    no_32bit_reason="32-bit Wine is not installed ($wine32 is missing)"
  elif output=$("$wine32" --version 2>&1); then
    can_run_32bit=yes
    no_32bit_reason=""
  else
    no_32bit_reason="this host cannot execute 32-bit code (${output##*: })"
  fi
}

# use_display [private]: keeps a working $DISPLAY unless "private" is given, else starts Xvfb on
# a free display number. Tests always take a private one: they move the mouse and type.
use_display() {
  if [ "${1:-}" != private ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return
  fi
  local n=90 log
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  log=$(mktemp)
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$log" 2>&1 &
  started_xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 200); do
    if [ -e "/tmp/.X11-unix/X$n" ] && xdpyinfo >/dev/null 2>&1; then
      rm -f "$log"
      return
    fi
    kill -0 "$started_xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  set_up_failed "no private X display: Xvfb did not start on $DISPLAY" "$log"
  rm -f "$log"
  return 1
}

# make_wine_prefix DIR ARCH [unmanaged]: a fresh prefix (ARCH win32 or win64) made and used by
# the loader of its own architecture, its server kept running. With "unmanaged" Wine draws its
# windows without a window manager: on a bare Xvfb a managed window makes every hide wait two
# seconds for a window manager that never answers.
make_wine_prefix() {
  local dir=$1 arch=$2 mode=${3:-managed} loader=$wine64 log=$1.log status=0
  [ "$arch" = win32 ] && loader=$wine32
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  WINEPREFIX=$dir WINEARCH=$arch "$loader" wineboot -i >"$log" 2>&1 || status=$?
  if [ $status -ne 0 ]; then
    set_up_failed "the $arch Wine prefix $dir was not made: wineboot ended with status $status" "$log"
    return 1
  fi
  WINEPREFIX=$dir wineserver -w
  status=0
  WINEPREFIX=$dir wineserver -p >>"$log" 2>&1 || status=$?
  if [ $status -ne 0 ]; then
    set_up_failed "no persistent wineserver for $dir: wineserver -p ended with status $status" "$log"
    return 1
  fi
  started_prefixes+=("$dir")
  # The first command also starts Wine's background services, detached from any pipe: started
  # by a test they would inherit its output. A program that crashes gets a backtrace on its
  # output instead of a dialog that waits for a click.
  local managed=Y
  [ "$mode" = unmanaged ] && managed=N
  status=0
  { WINEPREFIX=$dir "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f &&
    WINEPREFIX=$dir "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f; } \
    </dev/null >>"$log" 2>&1 || status=$?
  if [ $status -ne 0 ]; then
    set_up_failed "the $arch Wine prefix $dir does not run programs: reg ended with status $status" "$log"
    return 1
  fi
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
