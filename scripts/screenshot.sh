#!/usr/bin/env bash
# Makes docs/main-window.png and docs/settings-window.png: the demo setup of scripts/demo.sh with
# its report server, the agent started on a virtual X display (Xvfb, 1280x800) under a light
# window manager with a taskbar and a tray (IceWM), the main window brought up after its
# catch-up run, then the settings window opened with its access key (Alt+A).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/demo.sh"

if [ "${1:-}" != "--on-display" ]; then
    demo_build
    demo_layout
    trap report_stop EXIT
    report_start
    xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" "$root/scripts/screenshot.sh" --on-display
    exit
fi

icewm >/dev/null 2>&1 &
wm_pid=$!
sleep 2 # the window manager and its tray are up before the agent looks for them
demo_start
trap 'demo_stop; kill $wm_pid 2>/dev/null || true' EXIT
demo_wait_for_review
demo_restore
sleep 2 # two countdown ticks, so the caption and the countdown label are filled
mkdir -p "$root/docs"
import -window root "$root/docs/main-window.png"
echo "Wrote $root/docs/main-window.png"
xdotool key --window "$agent_window" alt+a
sleep 2
import -window root "$root/docs/settings-window.png"
echo "Wrote $root/docs/settings-window.png"
