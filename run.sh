#!/usr/bin/env bash
# Installs what is missing, builds, produces the default template library and
# reads IMAGE (or the bundled sample page).
#   ./run.sh [IMAGE]                  with a display: the desktop program opens
#                                     IMAGE and recognises it
#   ./run.sh [IMAGE] [cli options...] without a display, or with options: the
#                                     command line prints the text
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
pellar_install_packages
pellar_build "$PELLAR_ROOT/build"
image="${1:-$PELLAR_ROOT/samples/sample-page.bmp}"
[ $# -gt 0 ] && shift
if [ $# -eq 0 ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$PELLAR_ROOT/build/bin/pellarocr" --recognise "$image"
fi
if [ $# -eq 0 ]; then
  echo "No display found, so the command line reads the page. On a desktop (DISPLAY or WAYLAND_DISPLAY set)," \
    "./run.sh opens it in the desktop program, build/bin/pellarocr [PAGE]." >&2
fi
exec "$PELLAR_ROOT/build/bin/pellarocr-cli" "$@" "$image"
