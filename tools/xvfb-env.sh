# Sourced by the test command: starts a private X server (Xvfb) so that the desktop tests
# run on a real display. Sets DISPLAY and VQ_XVFB=1 when one runs. Tests that find no
# display start their own, and skip only when none can start.
source "$(dirname "${BASH_SOURCE[0]}")/server-env.sh"

vq_start_xvfb() {
  export VQ_XVFB=0
  command -v Xvfb >/dev/null 2>&1 || { echo "xvfb: Xvfb not installed; desktop tests start their own or skip"; return 1; }
  local numfile log
  numfile=$(mktemp)
  log="${TMPDIR:-/tmp}/vq-xvfb-$$.log"
  # Xvfb picks a free display number and writes it to fd 3 once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$numfile" >"$log" 2>&1 &
  VQ_XVFB_PID=$!
  if vq_wait_for_server "$VQ_XVFB_PID" test -s "$numfile" && kill -0 "$VQ_XVFB_PID" 2>/dev/null; then
    export DISPLAY=":$(tr -d '\n ' < "$numfile")"
    export VQ_XVFB=1
    rm -f "$numfile"
    return 0
  fi
  rm -f "$numfile"
  echo "xvfb: could not start an X server (see $log); desktop tests start their own or skip"
  vq_stop_server VQ_XVFB_PID
  return 1
}

vq_stop_xvfb() {
  vq_stop_server VQ_XVFB_PID
}
