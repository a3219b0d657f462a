#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what is missing is installed; as root directly, else through sudo.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libmpv-dev libasound2-dev libxcb1-dev
  libfluidsynth-dev
  # run: software OpenGL, the ALSA plugins that reach PulseAudio/PipeWire, a Japanese font
  libgl1-mesa-dri libasound2-plugins fonts-noto-cjk
  # MIDI: a small General MIDI soundfont for the sequencer device
  timgm6mb-soundfont
  # test and sample media
  libgtest-dev libgmock-dev libx11-dev libxtst-dev ffmpeg xvfb xauth x11-utils xdotool pulseaudio pulseaudio-utils alsa-utils
  mpv clang clang-format libclang-rt-14-dev imagemagick
  # a window manager (minimising), another user (setpriv)
  openbox util-linux
  # desktop integration: SVG icon, package and metadata checks, a Wayland
  # compositor and Qt's Wayland platform
  qt6-svg-dev dpkg-dev file desktop-file-utils appstream lintian weston qt6-wayland
  # media keys and panels: the MPRIS client the tests drive the player with
  playerctl dbus
)
if [[ "${1:-}" == "--run-only" ]]; then
  packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
            libqt6opengl6-dev libgl-dev libmpv-dev libasound2-dev libxcb1-dev libfluidsynth-dev
            libgl1-mesa-dri libasound2-plugins fonts-noto-cjk timgm6mb-soundfont ffmpeg qt6-wayland)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
