#!/usr/bin/env bash
# Takes the README's screenshots of the desktop program: a real X server in
# memory (Xvfb) with a window manager (openbox), the program driven through
# its keyboard and mouse with xdotool, the screen captured with `import`.
#   tools/desktop-screenshots.sh [BUILD_DIR] [PAGES_DIR] [OUT_DIR]
# Needs: xvfb, openbox, xdotool, graphicsmagick-imagemagick-compat, and the
# default library in BUILD_DIR/bin (or in $PELLAROCR_LIBRARY). The program's
# settings, the library that learning mode writes back and the scanner
# configuration go to a scratch folder, so the user's own are not touched.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
pages="${2:-$root/../shared/dev-pages}"
out="${3:-$root/docs/screenshots}"
mkdir -p "$out"
work="$(mktemp -d)"
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1400x1000x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
sleep 1
openbox >/dev/null 2>&1 &
sleep 1
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
program="$build/bin/pellarocr"

# Pages without their ground truth beside them (that would teach, not read).
cp "$pages/lowres/lowres-01.png" "$work/lowres.png"
cp "$pages/colour/colour-01.png" "$work/colour.png"
cp "$pages/skew/skew-01.png" "$work/skew.png"
cp "$pages/hei-kai/hei-kai-01.png" "$work/heikai.png"
library="$work/library"
mkdir -p "$library"
cp "${PELLAROCR_LIBRARY:-$build/bin}"/ZEZID.D* "${PELLAROCR_LIBRARY:-$build/bin}"/Word.Dat "$library"/
export PELLAROCR_LIBRARY="$library"

# Windows come and go while xdotool looks, so a failed look is tried again.
wait_window() {
  local tries=0
  until xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 120 ] || { echo "no window \"$1\"" >&2; exit 1; }
    sleep 0.5
  done
  sleep "${2:-1}"
}
keys() { xdotool key --delay 150 "$@"; sleep 1; }
finish() {
  local pid=$1
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# 1. A recognised page: red doubtful characters, the box of the character
#    at the caret on the page and in the thumbnail.
"$program" --recognise "$work/lowres.png" &
pid=$!
wait_window "Pellar识别" 6
pane_y=$(( $(xdotool getdisplaygeometry | cut -d' ' -f2) - 120 ))
xdotool mousemove 300 "$pane_y" click 1
sleep 1
keys ctrl+Home Down Down End Left Left Left
import -window root "$out/main-window.png"
finish "$pid"

# 2. The threshold dialog over a colour page turned grey, the view moved to
#    the text by a click on the thumbnail.
"$program" "$work/colour.png" &
pid=$!
wait_window "Pellar识别" 3
xdotool mousemove 40 120 click 1
sleep 1
keys alt+g a
keys alt+g b
wait_window "改变阀值" 1
xdotool key --delay 60 --repeat 70 Right
sleep 2
import -window root "$out/threshold-dialog.png"
keys Escape
finish "$pid"

# 3. The skew dialog turning the visible part of a crooked page.
"$program" "$work/skew.png" &
pid=$!
wait_window "Pellar识别" 3
xdotool mousemove 40 120 click 1
sleep 1
keys alt+g f Return
wait_window "倾斜更正" 1
keys Left Left Left Left Left Left Left Left
sleep 1
import -window root "$out/rotate-dialog.png"
keys Escape
finish "$pid"

# 4. Learning mode: the input box over the first recognised line and its
#    index ruler, then the library window for the misread "物" (block 4),
#    taught and annotated.
mkdir -p "$XDG_CONFIG_HOME/Pellar软件"
printf '[General]\nsupervisor=1\n' >"$XDG_CONFIG_HOME/Pellar软件/PellarOCR.conf"
"$program" --recognise "$work/heikai.png" &
pid=$!
wait_window "Pellar识别" 4
keys Return
wait_window "请输入" 2
import -window root "$out/learning-input-box.png"
xdotool type --delay 150 "4"
keys Return
wait_window "子块数" 2
xdotool key ctrl+a
xdotool type --delay 200 "物"
keys Return
import -window root "$out/library-window.png"
keys Escape
wait_window "请输入" 1
xdotool type --delay 150 -- "-1"
keys Return
finish "$pid"
rm -f "$XDG_CONFIG_HOME/Pellar软件/PellarOCR.conf"

# 5. A page scanned from SANE's test device (black and white, 150 dpi).
mkdir -p "$work/sane"
echo test >"$work/sane/dll.conf"
printf 'mode Gray\ndepth 1\nresolution 150.0\ntest-picture "Grid"\n' >"$work/sane/test.conf"
SANE_CONFIG_DIR="$work/sane" "$program" &
pid=$!
wait_window "Pellar识别" 3
keys ctrl+d
wait_window "选择扫描设备" 1
keys Return
wait_window "扫描 - " 1
keys Return
sleep 3
import -window root "$out/scanned-page.png"
finish "$pid"
echo "screenshots in $out"
