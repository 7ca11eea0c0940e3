#!/usr/bin/env bash
# Draws again the pictures of what the operator sees, packaging/pictures/*.png, from the
# current sources: builds Tessary.exe and runs it under Wine on a private display, in a fresh
# prefix, on the cases scripts/pictures.py lays out. Wine draws the frames and the fonts, so
# they differ a little from those of Windows.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1
# The Python that has Pillow: Debian's, whichever python3 comes first on the PATH.
python=
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c 'import PIL' >/dev/null 2>&1; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "pictures: no python3 with Pillow (python3-pil)" >&2; exit 1; }
mkdir -p build
{ cmake --preset windows && cmake --build --preset windows --target Tessary fake_java watch_launcher; } \
  >build/pictures.log 2>&1 || { cat build/pictures.log; exit 1; }

. scripts/wine-env.sh
trap tessary_stop_wine EXIT
tessary_start_xvfb || exit 1
echo "pictures: preparing a fresh Wine prefix (about half a minute), then five runs of Tessary.exe"
tessary_make_prefix "$root/build/pictures/wine-prefix"
# Wine's own Tahoma, and Marlett for the glyphs of the caption buttons. The 32-bit Wine finds
# its data folder from its own path, which under qemu's emulation is qemu's: it would fall
# back on other fonts, and draw an "r" in place of the close button's cross.
cp /usr/share/wine/fonts/{marlett,tahoma,tahomabd}.ttf "$WINEPREFIX/drive_c/windows/Fonts/" ||
  { echo "pictures: Wine's fonts are missing (fonts-wine)" >&2; exit 1; }
tessary_start_wineserver

export TESSARY_EXE="$root/build/windows/Tessary.exe"
export FAKE_JAVA_EXE="$root/build/windows/tests/fake_java.exe"
export WATCHER_EXE="$root/build/windows/tests/watch_launcher.exe"
"$python" scripts/pictures.py "$root/packaging/pictures" || exit 1
echo "pictures: packaging/pictures/"
