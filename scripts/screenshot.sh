#!/usr/bin/env bash
# Makes docs/main-window.png, docs/settings-window.png and docs/restore-window.png: the demo setup
# of scripts/demo.sh with its report server, the agent started on a virtual X display (Xvfb,
# 1280x800) under a light window manager with a taskbar and a tray (IceWM), the main window
# brought up after its catch-up run, then the settings window opened with its access key (Alt+A),
# then the restore window opened from the tray menu and its copy restored into demo/restaurado.
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
xdotool key Escape
sleep 1
# The tray icon is the agent's smallest mapped window; "Restaurar…" is the menu's fourth entry.
tray=
for window in $(xdotool search --onlyvisible --pid "$agent_pid" 2>/dev/null); do
    width=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    if [ -n "$width" ] && [ "$width" -le 48 ]; then tray=$window; fi
done
if [ -z "$tray" ]; then
    echo "No tray icon found: docs/restore-window.png not made" >&2
    exit 0
fi
xdotool mousemove --window "$tray" 6 6 click 3
sleep 1
xdotool key Down Down Down Down Return
sleep 3
# Focus starts on the list of copies; two tabs reach the folder box.
xdotool key Tab Tab
xdotool type --delay 5 "$demo/restaurado"
xdotool key alt+r
sleep 3
import -window root "$root/docs/restore-window.png"
echo "Wrote $root/docs/restore-window.png"
