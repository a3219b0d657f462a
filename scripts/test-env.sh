# Sourced by test.sh: starts what the integration tests need, each of its
# own, and stops it on exit. Sets DISPLAY, PULSE_SERVER and friends.
#   - an Xvfb display with Mesa's software OpenGL
#   - a PulseAudio server with a null sink, in a private runtime folder,
#     and ALSA's default device pointed at it
#   - a D-Bus session bus (what dbus-run-session gives), for the media keys

kovaplex_env_dir=$(mktemp -d /tmp/kovaplex-test.XXXXXX)
kovaplex_cleanup() {
  [[ -n "${kovaplex_dbus_pid:-}" ]] && kill "$kovaplex_dbus_pid" 2>/dev/null || true
  [[ -n "${kovaplex_wm_pid:-}" ]] && kill "$kovaplex_wm_pid" 2>/dev/null || true
  [[ -n "${kovaplex_pulse_pid:-}" ]] && kill "$kovaplex_pulse_pid" 2>/dev/null || true
  [[ -n "${kovaplex_xvfb_pid:-}" ]] && kill "$kovaplex_xvfb_pid" 2>/dev/null || true
  rm -rf "$kovaplex_env_dir"
}
trap kovaplex_cleanup EXIT

# X display: the first free number from 90 up.
for n in $(seq 90 120); do
  [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$kovaplex_env_dir/xvfb.log" 2>&1 &
  kovaplex_xvfb_pid=$!
  export DISPLAY=":$n"
  break
done
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export LIBGL_ALWAYS_SOFTWARE=1

# PulseAudio with a null sink; ALSA's default device goes through it.
export XDG_RUNTIME_DIR="$kovaplex_env_dir/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
export PULSE_STATE_PATH="$kovaplex_env_dir/pulse-state"
export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
  --system=no --log-target=stderr \
  -L "module-native-protocol-unix auth-anonymous=1" \
  -L "module-null-sink sink_name=kovaplex_null" \
  -L "module-always-sink" >"$kovaplex_env_dir/pulse.log" 2>&1 &
kovaplex_pulse_pid=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink kovaplex_null >/dev/null 2>&1 || true
cat >"$kovaplex_env_dir/asoundrc" <<ASOUND
pcm.!default { type pulse }
ctl.!default { type pulse }
ASOUND
# ALSA reads ALSA_CONFIG_PATH instead of its own search list, so keep the
# system configuration and add ours last.
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$kovaplex_env_dir/asoundrc"
# A session bus of the run's own: the player's media-key name lives there.
if command -v dbus-daemon >/dev/null 2>&1; then
  { read -r DBUS_SESSION_BUS_ADDRESS; read -r kovaplex_dbus_pid; } < <(
    dbus-daemon --session --fork --print-address=1 --print-pid=1 2>"$kovaplex_env_dir/dbus.log")
  export DBUS_SESSION_BUS_ADDRESS
fi
# Say so at once when ALSA's default mixer does not reach that server (the
# pulse plugin, libasound2-plugins, missing): the mixer tests would only fail.
if command -v amixer >/dev/null 2>&1 && ! amixer -D default sget Master >/dev/null 2>&1; then
  echo "test-env: ALSA's default control device does not reach the test sound server" >&2
fi

# A light window manager on the display, for tests that need frames,
# stacking and raising as on a desktop. Returns once it manages the screen.
kovaplex_start_window_manager() {
  openbox --sm-disable >"$kovaplex_env_dir/openbox.log" 2>&1 &
  kovaplex_wm_pid=$!
  export KOVAPLEX_TEST_WM=openbox
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    sleep 0.1
  done
  echo "test-env: openbox did not start" >&2
  return 1
}
