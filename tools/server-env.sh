# Sourced by jack-env.sh and xvfb-env.sh: waiting for a private server started in the
# background, and stopping it.

# Runs the command given after the process id until it succeeds (true), for up to 10 s and
# only while that process lives (false otherwise).
vq_wait_for_server() {
  local pid=$1 i
  shift
  for i in $(seq 1 200); do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# Ends the server whose process id the named variable holds, waits for it (10 s, then it is
# killed: a server can hang on its way out) and empties the variable; nothing when it is empty.
vq_stop_server() {
  local pid=${!1:-} i
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for i in $(seq 1 200); do  # until it is gone or a zombie waiting for `wait`
    case "$(ps -o stat= -p "$pid" 2>/dev/null)" in "" | Z*) break ;; esac
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  printf -v "$1" '%s' ''
}
