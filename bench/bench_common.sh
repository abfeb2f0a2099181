# Shell helpers the mail benchmarks share (sourced, not run): ports on 127.0.0.1, waiting for a
# server, timing a command. Needs $python.

free_port() {
  "$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
wait_for_port() {
  for _ in $(seq 100); do
    "$python" -c "import socket,sys; socket.create_connection(('127.0.0.1', $1), 1)" 2>/dev/null && return
    sleep 0.1
  done
  echo "nothing answers on port $1" >&2
  exit 1
}
seconds_of() {  # runs a command, prints its wall-clock seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
