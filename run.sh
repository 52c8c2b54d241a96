#!/usr/bin/env bash
# Installs what is missing, builds, produces the default template library and
# recognises IMAGE (or the bundled sample page), printing its text.
#   ./run.sh [IMAGE] [pellarocr-cli options...]
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
pellar_install_packages
pellar_build "$PELLAR_ROOT/build"
image="${1:-$PELLAR_ROOT/samples/sample-page.bmp}"
[ $# -gt 0 ] && shift
exec "$PELLAR_ROOT/build/bin/pellarocr-cli" "$@" "$image"
