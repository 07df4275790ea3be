#!/usr/bin/env bash
# Makes docs/main-window.png: the demo setup of scripts/demo.sh, the agent started on a virtual
# X display (Xvfb), and the main window photographed after its catch-up run. Xvfb has no window
# manager, so the window, which starts minimised, is drawn as a normal window at the top left.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/demo.sh"

if [ "${1:-}" != "--on-display" ]; then
    demo_build
    demo_layout
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$root/scripts/screenshot.sh" --on-display
fi

demo_start
trap demo_stop EXIT
demo_wait_for_review
sleep 2 # two countdown ticks, so the caption and the countdown label are filled
mkdir -p "$root/docs"
# The window's design size at 96 dpi: 10995 x 7890 twips.
import -window root -crop 733x526+0+0 +repage "$root/docs/main-window.png"
echo "Wrote $root/docs/main-window.png"
