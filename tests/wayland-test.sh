#!/bin/sh
# The program on a Wayland compositor (weston's headless backend) through Qt's Wayland plugin,
# not XWayland: it starts without a message, shows its main window (the link check, which runs
# once the window is on screen, reaches the stand-in), and a second start hands over to it and
# ends with 0 while the first runs on. Skipped (77) without weston or the plugin.
# Usage: wayland-test.sh <bin folder> <working folder with DA.DBF>
set -eu
bin=$1
work=$2
plugin=$(ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so 2>/dev/null | head -n 1)
if ! command -v weston >/dev/null 2>&1 || [ -z "$plugin" ]; then
    echo "weston or qt6-wayland is not installed: skipped"
    exit 77
fi

scratch=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$scratch/first-err" ] && sed 's/^/  first copy: /' "$scratch/first-err" >&2
    [ -f "$scratch/weston.log" ] && tail -n 5 "$scratch/weston.log" | sed 's/^/  weston: /' >&2
    exit 1
}
wait_for() {
    tries=0
    until "$@" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -le 600 ] || return 1
        sleep 0.1
    done
}

export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
export WAYLAND_DISPLAY=wayland-fvt QT_QPA_PLATFORM=wayland

weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 \
    --log="$scratch/weston.log" >/dev/null 2>&1 &
pids="$pids $!"
wait_for test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start"

frames=$scratch/frames.log
: >"$frames"
"$bin/buh-standin" --books "$work/books.json" --log "$frames" >/dev/null 2>&1 &
pids="$pids $!"
wait_for "$bin/buh-standin" --check || fail "the stand-in does not serve"

# Asked for its item, or ended (then there is no use waiting longer; an ended child stays a
# zombie until it is waited for).
link_checked_or_ended() {
    grep -q '^S РДАТА$' "$frames" || [ ! -e "/proc/$1" ] ||
        grep -q '^State:[[:space:]]*Z' "/proc/$1/status"
}
cd "$work"
"$bin/4vt" 2>"$scratch/first-err" &
first=$!
pids="$pids $first"
wait_for link_checked_or_ended "$first" || true
grep -q '^State:[[:space:]]*[^Z]' "/proc/$first/status" 2>/dev/null || fail "the program ended on Wayland"
grep -q '^S РДАТА$' "$frames" || fail "no link check: the main window never came on screen"
if grep -Eq "failed to start|Could not load the Qt platform plugin|xcb" "$scratch/first-err"; then
    fail "the program did not run on Qt's Wayland plugin"
fi

# A second start, as from a desktop that hands out activation tokens: it ends by itself with 0;
# the first copy runs on.
status=0
XDG_ACTIVATION_TOKEN=weston-has-none timeout 30 "$bin/4vt" 2>"$scratch/second-err" || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with $status: $(cat "$scratch/second-err")"
grep -q '^State:[[:space:]]*[^Z]' "/proc/$first/status" 2>/dev/null ||
    fail "the first copy ended after the second start"
echo "wayland: ok"
