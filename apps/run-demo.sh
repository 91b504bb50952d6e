#!/bin/sh
# Opens the bundled demo study in the Coder Main Menu: `make run`.
#   sh apps/run-demo.sh [BUILD_DIR]
set -e
build=${1:-build}
demo="$build/examples/demo/DEMO"
sounds="$build/examples/demo-sounds"
menu="$build/apps/opencoder-menu/opencoder-menu"

if [ ! -x "$menu" ]; then
    echo "run-demo: $menu is missing; build first (make build)." >&2
    exit 1
fi
echo "Demo study: $demo"
echo "Recorded answers: $sounds (Code, DEMO.001, Q1: respondents 1002, 1003 and 1005)"

if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "run-demo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the"
    echo "Coder Main Menu is not started. Run it on a virtual display with:"
    echo "    xvfb-run -a $menu --sound-dir $sounds $demo"
    echo "or list the demo's coder files without a window:"
    echo "    QT_QPA_PLATFORM=offscreen $menu --list $demo"
    exit 0
fi

exec "$menu" --sound-dir "$sounds" "$demo"
