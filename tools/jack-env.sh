# Sourced by the test command: starts a private JACK server (dummy driver, no realtime)
# so that tests can open real MIDI ports. Sets VQ_JACK=1 when one runs.
# The server is synchronous (-S): it waits for a client that is late, where an asynchronous one
# runs the next cycle over that client's port buffers and loses or repeats its events. Without
# realtime scheduling, on a loaded machine or under ThreadSanitizer, clients are late often.
source "$(dirname "${BASH_SOURCE[0]}")/server-env.sh"

vq_start_jack() {
  export JACK_NO_START_SERVER=1
  export JACK_DEFAULT_SERVER="vqtest$$"
  export VQ_JACK=0
  command -v jackd >/dev/null 2>&1 || { echo "jack: jackd not installed; MIDI-port tests will skip"; return 1; }
  local log="${TMPDIR:-/tmp}/vq-jackd-$$.log"
  # JACK keeps a machine-wide registry of at most eight servers; one that was killed leaves its
  # entry behind for good. With no JACK server running at all, every entry is stale.
  if ! pgrep -x 'jackd|jackdbus' >/dev/null 2>&1; then
    rm -rf /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]* /dev/shm/jack_* /dev/shm/jack_sem.* 2>/dev/null || true
  fi
  jackd -n "$JACK_DEFAULT_SERVER" -r -S -d dummy -r 48000 -p 256 >"$log" 2>&1 &
  VQ_JACK_PID=$!
  if vq_wait_for_server "$VQ_JACK_PID" jack_lsp >/dev/null 2>&1; then
    export VQ_JACK=1
    return 0
  fi
  echo "jack: could not start a JACK server (see $log); MIDI-port tests will skip"
  vq_stop_server VQ_JACK_PID
  return 1
}

vq_stop_jack() {
  [ -n "${VQ_JACK_PID:-}" ] || return 0
  vq_stop_server VQ_JACK_PID
  rm -rf /dev/shm/jack*"${JACK_DEFAULT_SERVER}"* 2>/dev/null || true
}
