#!/usr/bin/env bash
# Runs a command on a virtual display of its own (Xvfb on a free display number, 1280x1024 at
# 96 dpi, with Qt's X11 platform) and ends the display afterwards; exits with the command's status.
# Usage: on-virtual-display.sh COMMAND [ARG...]
set -uo pipefail

command -v Xvfb >/dev/null || {
    echo "on-virtual-display: Xvfb is not installed" >&2
    exit 1
}
display_file=$(mktemp)
log=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$display_file" >"$log" 2>&1 &
xvfb=$!
cleanup() {
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -f "$display_file" "$log"
}
trap cleanup EXIT
for ((i = 0; i < 100; i++)); do
    [[ -s $display_file ]] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
if [[ ! -s $display_file ]]; then
    echo "on-virtual-display: Xvfb did not start:" >&2
    cat "$log" >&2
    exit 1
fi
DISPLAY=:$(head -n 1 "$display_file") QT_QPA_PLATFORM=xcb "$@"
