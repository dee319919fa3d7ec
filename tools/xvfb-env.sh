# Sourced by the test command: starts a private X server (Xvfb) so that the desktop tests
# run on a real display. Sets DISPLAY and VQ_XVFB=1 when one runs. Tests that find no
# display start their own, and skip only when none can start.
vq_start_xvfb() {
  export VQ_XVFB=0
  command -v Xvfb >/dev/null 2>&1 || { echo "xvfb: Xvfb not installed; desktop tests start their own or skip"; return 1; }
  local numfile log i
  numfile=$(mktemp)
  log="${TMPDIR:-/tmp}/vq-xvfb-$$.log"
  # Xvfb picks a free display number and writes it to fd 3 once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$numfile" >"$log" 2>&1 &
  VQ_XVFB_PID=$!
  for i in $(seq 1 200); do
    [ -s "$numfile" ] && break
    kill -0 "$VQ_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [ -s "$numfile" ] && kill -0 "$VQ_XVFB_PID" 2>/dev/null; then
    export DISPLAY=":$(tr -d '\n ' < "$numfile")"
    export VQ_XVFB=1
    rm -f "$numfile"
    return 0
  fi
  rm -f "$numfile"
  echo "xvfb: could not start an X server (see $log); desktop tests start their own or skip"
  kill "$VQ_XVFB_PID" 2>/dev/null || true
  VQ_XVFB_PID=
  return 1
}

vq_stop_xvfb() {
  if [ -n "${VQ_XVFB_PID:-}" ]; then
    kill -TERM "$VQ_XVFB_PID" 2>/dev/null || true
    wait "$VQ_XVFB_PID" 2>/dev/null || true
    VQ_XVFB_PID=
  fi
}
