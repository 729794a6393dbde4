#!/usr/bin/env bash
# The program on a real X server (a virtual one): the window paints on the screen, and the screenshot mode writes
# a PNG there too. Usage: xvfb_run_test.sh VELMORA OUT_DIR
set -euo pipefail
velmora=$1
out=$2
mkdir -p "$out"
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 800x640x24" bash -c '
  set -euo pipefail
  said=$(VELMORA_REPORT_FIRST_PAINT=1 timeout 60 "$1" 2>/dev/null)
  [ "$said" = "first paint" ] || { echo "the window did not paint on the X server (said: $said)" >&2; exit 1; }
  timeout 60 "$1" --screenshot "$2/xvfb.png" 2>/dev/null
  [ "$(head -c 8 "$2/xvfb.png" | od -An -tx1 | tr -d " \n")" = "89504e470d0a1a0a" ] || { echo "no PNG written" >&2; exit 1; }
' _ "$velmora" "$out"
