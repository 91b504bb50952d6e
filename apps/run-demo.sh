#!/bin/sh
# Shows the bundled demo study: `make run`.
set -e
build=${1:-build}
demo="$build/examples/demo/DEMO"
cli="$build/apps/opencoder/opencoder"
echo "Demo study: $demo"
"$cli" study dump --study "$demo" | head -n 40
echo "..."
"$cli" status --study "$demo" || true
