#!/usr/bin/env bash
# Checks what `cmake --install` and the .deb of a build folder hold:
#   - the desktop entry and the AppStream metadata pass their validators;
#   - every hicolor size of the icon is there, at its size, and the SVG;
#   - CPack makes a .deb that holds exactly the installed files and whose
#     dependencies dpkg-shlibdeps took from the linked libraries;
#   - lintian finds no error and no warning in that .deb (so it carries its
#     copyright, changelog and manual page).
# With --install (as root; it changes the system): installs the .deb with
# apt, starts the installed `kovaplex` on a clip (a display is needed, e.g.
# from scripts/test-env.sh), checks that it keeps its settings in
# $XDG_CONFIG_HOME/Kovaplex/ and never beside itself, then purges the
# package and checks that none of its files is left.
# Usage: scripts/check-package.sh BUILD_DIR [--install CLIP]
set -euo pipefail
build=$(realpath "${1:?usage: check-package.sh BUILD_DIR [--install CLIP]}")
mode=${2:-}
work=$(mktemp -d /tmp/kovaplex-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

# The staged install under the prefix a package uses.
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
stage=$work/stage/usr
entries=("$stage"/share/applications/*.desktop)
[[ ${#entries[@]} -eq 1 && -f "${entries[0]}" ]] || fail "expected one desktop entry"
app_id=$(basename "${entries[0]}" .desktop)
desktop-file-validate "$stage/share/applications/$app_id.desktop"
appstreamcli validate --no-net --pedantic --no-color "$stage/share/metainfo/$app_id.metainfo.xml" \
  >"$work/appstream.log" || { cat "$work/appstream.log"; fail "AppStream metadata is not valid"; }
grep -q '^Exec=kovaplex %f$' "$stage/share/applications/$app_id.desktop" || fail "Exec is not 'kovaplex %f'"
[[ -x "$stage/bin/kovaplex" ]] || fail "no bin/kovaplex"
for size in 16 24 32 48 64 128 256; do
  png="$stage/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  [[ "$(identify -format '%wx%h' "$png" 2>/dev/null)" == "${size}x${size}" ]] || fail "icon $png is not ${size}x${size}"
done
grep -q '<svg' "$stage/share/icons/hicolor/scalable/apps/$app_id.svg" || fail "no scalable icon"

# The package: same files, dependencies from the libraries.
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$build"/packages/kovaplex_*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "expected one kovaplex_*.deb in $build/packages"
deb=${debs[0]}
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libmpv2 libqt6widgets6 libasound2 libc6; do
  grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
diff <(cd "$work/stage" && find . -type f | sort) <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort) \
  || fail "the package's files differ from the installed ones"
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 \
  || { cat "$work/lintian.log"; fail "lintian found errors or warnings"; }
echo "check-package: $(basename "$deb") valid; Depends: $depends"

[[ "$mode" == "--install" ]] || exit 0
clip=$(realpath "${3:?--install needs a clip to play}")
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt install failed"; }
files=$(dpkg -L kovaplex)
[[ "$(command -v kovaplex)" == /usr/bin/kovaplex ]] || fail "kovaplex is not on PATH"
# What file managers read for "Open with" (kept by desktop-file-utils' trigger).
grep -q "^video/mp4=.*$app_id.desktop" /usr/share/applications/mimeinfo.cache \
  || fail "the desktop's type cache does not offer Kovaplex for video/mp4"

# The installed program as root: settings go to the user's config folder.
config=$work/config
KOVAPLEX_TRACE=1 XDG_CONFIG_HOME="$config" kovaplex "$clip" 2>"$work/run.log" &
pid=$!
for _ in $(seq 300); do grep -q "first frame drawn" "$work/run.log" && break; sleep 0.1; done
kill -TERM "$pid"
wait "$pid" || true
grep -q "first frame drawn" "$work/run.log" || { cat "$work/run.log"; fail "the installed program showed no frame"; }
[[ -s "$config/Kovaplex/Kovaplex.ini" ]] || fail "no settings file in $config/Kovaplex"
[[ ! -e /usr/bin/Kovaplex.ini ]] || fail "the installed program wrote /usr/bin/Kovaplex.ini"

apt-get purge -y -qq kovaplex >>"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt purge failed"; }
while read -r f; do
  [[ -f "$f" ]] && fail "$f is left after purging"
done <<<"$files"
echo "check-package: installed with apt, ran, purged cleanly"
