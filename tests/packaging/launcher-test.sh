#!/bin/sh
# The menu entry's launcher from the package, unpacked into a scratch root with dpkg -x and run
# under Xvfb beside the packaged accounting stand-in: the first start makes the working folder
# and fills it, the program runs in that folder; a second start leaves the user's edited
# instruction alone and puts back only what is missing; a folder that is not the user's alone is
# refused in a window.
# Usage: launcher-test.sh <package folder>
set -eu
out=$1
deb=$(ls "$out"/4vt_*.deb)

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
    exit 1
}
# Waits up to a minute for the command to succeed (a sanitizer build on a busy machine starts
# slowly; success ends the wait at once).
wait_for() {
    tries=0
    until "$@" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -le 600 ] || return 1
        sleep 0.1
    done
}

root=$scratch/root
dpkg-deb -x "$deb" "$root"

export HOME="$scratch/home"
export XDG_DATA_HOME="$scratch/data"
export XDG_CONFIG_HOME="$scratch/config"
export XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
work=$XDG_DATA_HOME/4vt

# A display of our own. Xvfb's -displayfd keeps no lock file, so two runs on one machine could
# share a number; a numbered server does keep one: the display is ours when its lock names our
# server and it takes clients, otherwise the next number is tried. -noreset: by default the
# server resets each time its last client leaves (every xdotool poll below), and a client that
# connects during that reset is refused, which the program reports as no display at all.
own_display() {
    [ "$(tr -d ' ' <"/tmp/.X$1-lock" 2>/dev/null)" = "$2" ] && kill -0 "$2" 2>/dev/null &&
        DISPLAY=":$1" xdotool getdisplaygeometry
}
number=$((100 + $$ % 400))
attempt=0
while :; do
    attempt=$((attempt + 1))
    [ "$attempt" -le 20 ] || fail "no display of our own for Xvfb"
    number=$((number + 1))
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp -noreset 2>/dev/null &
    xvfb=$!
    pids="$pids $xvfb"
    tries=0
    until own_display "$number" "$xvfb" >/dev/null 2>&1; do
        tries=$((tries + 1))
        kill -0 "$xvfb" 2>/dev/null && [ "$tries" -le 300 ] || break
        sleep 0.1
    done
    own_display "$number" "$xvfb" >/dev/null 2>&1 && break
    kill "$xvfb" 2>/dev/null || true
done
export DISPLAY=":$number"

demo=$root/usr/share/4vt/demo
# The stand-in logs every frame it receives: the program's link check shows there.
frames=$scratch/frames.log
: >"$frames"
"$demo/buh-standin" --books "$demo/books.json" --log "$frames" >/dev/null 2>&1 &
standin=$!
pids="$pids $standin"
wait_for "$demo/buh-standin" --check || fail "the packaged stand-in does not serve"

main_window_shown() {
    xdotool search --name '^4ВТ$'
}
# The main window is up, or the program has ended (then there is no use waiting longer); an
# ended child stays a zombie until it is waited for.
shown_or_ended() {
    main_window_shown || [ ! -e "/proc/$1" ] || grep -q '^State:[[:space:]]*Z' "/proc/$1/status"
}
# The link check is over, and passed, once the program has asked for its item (the advise that
# follows an accepted conversation): more such frames than the number given.
link_checked() {
    [ "$(grep -c '^S РДАТА$' "$frames")" -gt "$1" ]
}

# Starts the launcher and checks that the packaged program runs in the working folder with
# its main window up and no error box; then ends it.
start_and_check() {
    checks=$(grep -c '^S РДАТА$' "$frames" || true)
    "$root/usr/bin/4vt-start" 2>"$scratch/start-err" &
    pid=$!
    pids="$pids $pid"
    wait_for shown_or_ended "$pid" || true
    main_window_shown >/dev/null 2>&1 ||
        fail "no main window after the launcher started; it said: $(cat "$scratch/start-err")"
    [ "$(readlink "/proc/$pid/exe")" = "$root/usr/bin/4vt" ] || fail "the launcher ran no 4vt"
    [ "$(readlink "/proc/$pid/cwd")" = "$work" ] || fail "4vt runs in $(readlink "/proc/$pid/cwd")"
    # The link check runs as the window comes up; a failed one would show its box instead.
    wait_for link_checked "$checks" || fail "the program did not open its link"
    if xdotool search --name '^Error$' >/dev/null 2>&1; then
        fail "the program shows an error box"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

# First start: no working folder yet.
start_and_check
[ "$(stat -c %a "$work")" = 700 ] || fail "working folder mode $(stat -c %a "$work")"
for name in DA.DBF Readme.txt; do
    cmp "$work/$name" "$root/usr/share/4vt/$name" || fail "$name not filled in"
done

# Second start: the user has edited the instruction and lost the template.
printf 'my own notes\r\n' >>"$work/Readme.txt"
cp "$work/Readme.txt" "$scratch/edited"
rm "$work/DA.DBF"
start_and_check
cmp "$work/Readme.txt" "$scratch/edited" || fail "the edited Readme.txt was replaced"
cmp "$work/DA.DBF" "$root/usr/share/4vt/DA.DBF" || fail "DA.DBF not put back"
[ "$(ls -A "$work" | sort | tr '\n' ' ')" = "DA.DBF Readme.txt " ] ||
    fail "working folder holds: $(ls -A "$work")"
# A working folder that is not the user's alone, or a HOME that names no place, is refused: the
# reason on standard error and in the program's error box (caption "4vt"), and the program does
# not start in it.
error_box_shown() {
    xdotool search --name '^4vt$'
}
refused() {
    why=$1
    shift
    "$@" 2>"$scratch/err" &
    pid=$!
    pids="$pids $pid"
    wait_for error_box_shown ||
        fail "no error box for $why; launcher said: $(cat "$scratch/err"); windows: $(xdotool search --name . getwindowname %@ 2>&1 | tr '\n' '|')"
    xdotool search --name '^4vt$' windowkill >/dev/null 2>&1 || true
    status=0
    wait "$pid" || status=$?
    [ "$status" -ne 0 ] || fail "the launcher went on with $why"
    grep -q "^4vt-start: " "$scratch/err" || fail "no reason on standard error for $why"
    if main_window_shown >/dev/null 2>&1; then
        fail "the program started with $why"
    fi
}
refused "a relative HOME" env HOME=home XDG_DATA_HOME= "$root/usr/bin/4vt-start"
grep -q "відносним шляхом" "$scratch/err" || fail "relative HOME: $(cat "$scratch/err")"
chmod 777 "$work"
refused "a folder everybody may write" "$root/usr/bin/4vt-start"
grep -q "можуть писати інші" "$scratch/err" || fail "world-writable: $(cat "$scratch/err")"
chmod 700 "$work"
if [ "$(id -u)" -eq 0 ]; then
    # Another user's folder, reached through a link in the user's own data folder.
    mv "$work" "$scratch/mine"
    mkdir -m 755 "$scratch/theirs"
    cp "$root/usr/share/4vt/DA.DBF" "$scratch/theirs/DA.DBF"
    chown -R nobody "$scratch/theirs"
    ln -s "$scratch/theirs" "$work"
    refused "another user's folder" "$root/usr/bin/4vt-start"
    grep -q "належить іншому користувачеві" "$scratch/err" || fail "theirs: $(cat "$scratch/err")"
    [ "$(ls -A "$scratch/theirs")" = "DA.DBF" ] || fail "another user's folder was written to"
    rm "$work"
    mv "$scratch/mine" "$work"
fi

# The demo with nobody serving: run-demo starts the packaged stand-in, and ends it when the
# program ends.
kill "$standin"
wait "$standin" 2>/dev/null || true
"$demo/run-demo" 2>"$scratch/demo-err" &
demo_pid=$!
pids="$pids $demo_pid"
wait_for main_window_shown || fail "run-demo showed no main window: $(cat "$scratch/demo-err")"
"$demo/buh-standin" --check >/dev/null 2>&1 || fail "run-demo started no stand-in"
children=$(ps -o pid= --ppid "$demo_pid")
program=
for child in $children; do
    [ "$(readlink "/proc/$child/exe")" = "$root/usr/bin/4vt" ] && program=$child
done
[ -n "$program" ] || fail "run-demo runs no 4vt among $children"
kill "$program"
wait "$demo_pid" 2>/dev/null || true
for child in $children; do
    wait_for test ! -e "/proc/$child" ||
        fail "process $child ($(readlink "/proc/$child/exe")) outlived run-demo"
done
echo "launcher: ok"
