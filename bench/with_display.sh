#!/usr/bin/env bash
# with_display.sh [--screen WxH] DIR MAP CMD [ARGS...]: runs CMD in DIR, a
# fresh working directory holding a copy of MAP as Qarns.Bmp. Without a
# DISPLAY, or always when --screen names a size, it starts an Xvfb (1024 x 768
# unless --screen says otherwise) on a free display number first and ends it
# by its pid.
set -euo pipefail
screen=
if [ "${1:-}" = "--screen" ]; then
    screen=$2
    shift 2
    unset DISPLAY
fi
dir=$1 map=$2
shift 2
mkdir -p "$dir"
cp "$map" "$dir/Qarns.Bmp"

xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks the free display itself and writes its number to fd 3.
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${screen:-1024x768}x24" -nolisten tcp +extension GLX -noreset \
        3>"$numfile" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$numfile" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
    num=$(tr -dc 0-9 <"$numfile")
    rm -f "$numfile"
    [ -n "$num" ] || { echo "Xvfb gave no display number" >&2; exit 1; }
    export DISPLAY=":$num"
    echo "with_display: Xvfb on $DISPLAY (pid $xvfb_pid)"
fi

cmd=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
cd "$dir"
"$cmd" "$@"
