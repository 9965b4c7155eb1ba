#!/bin/sh
# Checks the built package: its exact file list with modes, its dependencies, the menu entry
# (desktop-file-validate), the metainfo (appstreamcli) and lintian, which must find no error.
# Usage: check-package.sh <build folder> <package folder> <expected files> [user-facing tool...]
set -eu
built=$1
out=$2
expected=$3
shift 3

deb=$(ls "$out"/4vt_*.deb)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# Files and links, with their modes; every user-facing tool of the build under /usr/bin.
{
    cat "$expected"
    for tool in "$@"; do
        echo "-rwxr-xr-x ./usr/bin/$tool"
    done
} | sort >"$scratch/expected"
dpkg-deb -c "$deb" |
    awk '$1 !~ /^d/ { line = $1; for (i = 6; i <= NF; i++) line = line " " $i; print line }' |
    sort >"$scratch/actual"
diff -u "$scratch/expected" "$scratch/actual" || fail "file list differs from $expected"
dpkg-deb -c "$deb" | awk '$2 != "root/root" { print }' | grep . &&
    fail "files not owned by root"

# Dependencies found from the shared libraries, plus the fonts.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6network6 fonts-liberation; do
    case $depends in
    *"$needed"*) ;;
    *) fail "Depends lacks $needed: $depends" ;;
    esac
done

# A Windows accounting program is reached under Wine, through the bridge the package carries;
# a Wayland session is served natively through Qt's Wayland plugin.
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in wine qt6-wayland; do
    case $recommends in
    *"$wanted"*) ;;
    *) fail "Recommends lacks $wanted: $recommends" ;;
    esac
done

dpkg-deb -x "$deb" "$scratch/root"
file "$scratch/root/usr/lib/4vt/4vt-dde-bridge.exe" | grep -q "PE32+ executable (console) x86-64" ||
    fail "the bridge is not a 64-bit Windows console program"
share=$scratch/root/usr/share
desktop=$share/applications/ua.kvor.fvt.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/ua.kvor.fvt.metainfo.xml" || fail "appstreamcli"
# The entry and its actions start commands of the package and show the package's own icon.
for command in $(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop"); do
    case $command in
    /*) [ -x "$scratch/root$command" ] || fail "Exec=$command is not in the package" ;;
    *) [ -x "$scratch/root/usr/bin/$command" ] || fail "Exec=$command is not in /usr/bin" ;;
    esac
done
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not in hicolor"
cmp "$share/4vt/DA.DBF" "$(dirname "$0")/../../demo/DA.DBF" || fail "DA.DBF differs from demo/"
# The instruction is the Linux one the build wrote, the one ./run shows.
cmp "$share/4vt/Readme.txt" "$built/demo/Readme.txt" || fail "Readme.txt is not the build's own"


# Lintian as root says so once; that is no finding about the package.
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian" 2>&1 || status=$?
grep -v "running with root privileges" "$scratch/lintian" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"

exit $failed
