# Sourced by the scripts that drive a built player from outside, with $build
# set to its build folder: builds the program, makes the test media ($media),
# starts the private display, sound server and window manager
# (scripts/test-env.sh) and makes $work, a temporary folder. On exit the
# folder goes and the display and sound server are stopped.
cmake --build "$build" --target Kovaplex >/dev/null
scripts/make-test-media.sh "$build/test-media" >/dev/null
media=$PWD/$build/test-media
source scripts/test-env.sh
kovaplex_start_window_manager
work=$(mktemp -d)
trap 'rm -rf "$work"; kovaplex_cleanup' EXIT
