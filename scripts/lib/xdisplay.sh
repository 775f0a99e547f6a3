# Sourced by the scripts: gives Wine an X display. Without one, Wine's windows get no messages.
# Starts one private Xvfb for the whole run (cheaper than xvfb-run per test) and stops it on exit.
start_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  QUORVANE_XVFB_PID=$!
  trap 'kill $QUORVANE_XVFB_PID 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "xdisplay: Xvfb did not start on :$n" >&2
  return 1
}
