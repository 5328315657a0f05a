#!/usr/bin/env bash
# Checks the Debian package as a user gets it: builds the .deb in BUILD
# (default: build/), unpacks it into a read-only tree and starts that player
# as an unprivileged user on an Xvfb display of its own, answering the first
# run's questions. Passes when the window shows wearing a shipped skin, the
# shipped skins and a mask the player made are in the user's own folders, the
# user's desktop entry names the unpacked executable, and nothing was written
# into the unpacked tree. Needs root (to become another user).
#   scripts/package-check.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"

build=$(realpath "${1:-build}")
user=65534 # nobody: mode bits hold for it, unlike for root
work=$(mktemp -d /tmp/vimbo-package.XXXXXX)
chmod 755 "$work"
xvfb_pid=
player_pid=
cleanup() {
    [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "package check: FAIL: $*" >&2
    failures=$((failures + 1))
}
ok() { echo "package check: ok: $*"; }

# --- the package --------------------------------------------------------
rm -f "$build"/vimbo_*.deb
if ! (cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    exit 1
fi
deb=$(ls "$build"/vimbo_*.deb)
echo "package check: $(basename "$deb")"
dpkg-deb -I "$deb" | sed -n 's/^ \(Package\|Version\|Section\|Depends\|Recommends\|Maintainer\): /  \1: /p'
depends=$(dpkg-deb -f "$deb" Depends)
# The decoder library inside the executable needs these; only our own
# addition to dpkg-shlibdeps' list names them.
for p in libmpg123-0 libsndfile1 libsdl2-2.0-0 libqt6widgets6; do
    [[ ", $depends" == *", $p "* ]] || fail "Depends lacks $p"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
expected=(
    usr/bin/vimbo
    usr/share/applications/vimbo.desktop
    usr/share/mime/packages/vimbo.xml
    usr/share/metainfo/vimbo.metainfo.xml
    usr/share/icons/hicolor/48x48/apps/vimbo.png
    usr/share/icons/hicolor/128x128/apps/vimbo.png
    usr/share/icons/hicolor/256x256/apps/vimbo.png
    usr/share/icons/hicolor/scalable/apps/vimbo.svg
    usr/share/doc/vimbo/copyright
    usr/share/doc/vimbo/LICENSE-Apache-2.0.txt
)
for skin in Ember Glass; do
    for ext in ssk bmp msk; do
        expected+=("usr/share/vimbo/Skins/$skin.$ext")
    done
done
for f in "${expected[@]}"; do
    [ -f "$root/$f" ] && echo "  /$f" || fail "missing /$f"
done
ok "${#expected[@]} expected files unpacked"
if readelf -S "$root/usr/bin/vimbo" | grep -q '\.debug_info'; then
    fail "the executable is not stripped"
fi

desktop-file-validate "$root/usr/share/applications/vimbo.desktop" && ok "desktop-file-validate" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/vimbo.metainfo.xml" >"$work/appstream.log" 2>&1 &&
    ok "appstreamcli validate --no-net" || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }

# Ember's installed outline becomes one without a region: the file found in
# the user's folder afterwards can then only be one the player made.
printf '\0\0\0\0' >"$root/usr/share/vimbo/Skins/Ember.msk"
snapshot() { (cd "$root" && find . -printf '%p %y %m %s %T@\n' | sort && find . -type f -exec md5sum {} + | sort); }
snapshot >"$work/before"
chmod -R a-w "$root"

# --- the user and the display -------------------------------------------
home="$work/home"
run="$work/run"
mkdir -p "$home/.config/vimbo" "$run"
# The shipped skin with a transparent colour, whose outline is made at start.
"$build/tests/vimbo-storetool" "$home/.config/vimbo/registry.db" set Skin Ember
chown -R "$user:$user" "$home" "$run"
chmod 700 "$run"

display=160
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -S "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done
[ -S "/tmp/.X11-unix/X$display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$display"
# A port no one listens on, for the picture server.
port=$((20000 + RANDOM % 40000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do
    port=$((20000 + RANDOM % 40000))
done

# --- the installed player's first run -----------------------------------
setpriv --reuid="$user" --regid="$user" --clear-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$run" LANG=C.UTF-8 \
    QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy VIMBO_NP_PORT="$port" \
    "$root/usr/bin/vimbo" >"$work/player.log" 2>&1 &
player_pid=$!

# Its first run asks three things (two notes and "associate files?"); Return
# takes each box's default answer (OK, Yes). The main window wears Ember:
# 470 x 300.
answered=0
shown=
for _ in $(seq 300); do
    kill -0 "$player_pid" 2>/dev/null || break
    for w in $(xdotool search --onlyvisible --pid "$player_pid" 2>/dev/null || true); do
        name=$(xdotool getwindowname "$w" 2>/dev/null || true)
        case "$name" in
        Information | Confirm)
            xdotool windowfocus --sync "$w" key Return 2>/dev/null && answered=$((answered + 1))
            sleep 0.3
            ;;
        Error)
            fail "the player showed an error box"
            xdotool windowfocus --sync "$w" key Return 2>/dev/null || true
            ;;
        *)
            if xwininfo -id "$w" | grep -q 'Width: 470' && xwininfo -id "$w" | grep -q 'Height: 300'; then
                shown=$w
            fi
            ;;
        esac
    done
    [ -n "$shown" ] && [ "$answered" -ge 3 ] && break
    sleep 0.1
done
kill -0 "$player_pid" 2>/dev/null || fail "the player ended early"
[ "$answered" -ge 3 ] && ok "answered the first run's $answered questions" ||
    fail "the first run asked $answered questions, not 3"
[ -n "$shown" ] && ok "the window shows, wearing Ember" || fail "no 470 x 300 window of the player"
sleep 0.5 # what the shown window's first turns write
kill "$player_pid" 2>/dev/null || true
wait "$player_pid" 2>/dev/null || true
player_pid=

# --- what the player left, and where ------------------------------------
data="$home/.local/share/vimbo"
for skin in Ember Glass; do
    for ext in ssk bmp; do
        cmp -s "$root/usr/share/vimbo/Skins/$skin.$ext" "$data/Skins/$skin.$ext" ||
            fail "Skins/$skin.$ext is not the shipped one"
    done
done
cmp -s "$root/usr/share/vimbo/Skins/Glass.msk" "$data/Skins/Glass.msk" || fail "Skins/Glass.msk was not copied"
ok "the shipped skins are in $data/Skins: $(cd "$data/Skins" && echo *.ssk)"
[[ "$(stat -c %A "$data/Skins/Glass.ssk")" == -rw* ]] || fail "the copied Glass.ssk is not the user's to change"
[ "$(stat -c %s "$data/Skins/Ember.msk" 2>/dev/null || echo 0)" -gt 4 ] &&
    ok "the player wrote Ember's mask into the user's Skins/" || fail "no mask made for Ember"
[ -d "$data/Lyrics" ] || fail "no Lyrics/ in $data"
[ -f "$data/mp3dec.dll" ] || fail "no mp3dec.dll in $data"
user_entry="$home/.local/share/applications/vimbo.desktop"
grep -qx "Exec=$root/usr/bin/vimbo %f" "$user_entry" 2>/dev/null &&
    ok "the user's desktop entry starts the unpacked executable" ||
    fail "the user's desktop entry: $(grep Exec= "$user_entry" 2>/dev/null || echo missing)"
cmp -s "$root/usr/share/mime/packages/vimbo.xml" "$home/.local/share/mime/packages/vimbo.xml" &&
    ok "the user's MIME package is the installed one" || fail "the user's MIME package differs from the installed one"

# Root may write anywhere; an installed player still keeps its files out of
# its prefix. (No display needed: nothing here looks at the window.)
roothome="$work/roothome"
mkdir -p "$roothome/.config/vimbo" "$work/rootrun"
chmod 700 "$work/rootrun"
"$build/tests/vimbo-storetool" "$roothome/.config/vimbo/registry.db" set FirstRun2 no
env -i HOME="$roothome" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/rootrun" LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy VIMBO_NP_PORT=0 \
    "$root/usr/bin/vimbo" >"$work/player-root.log" 2>&1 &
player_pid=$!
for _ in $(seq 100); do
    [ -f "$roothome/.local/share/vimbo/Skins/Default.msk" ] && break
    sleep 0.1
done
kill "$player_pid" 2>/dev/null || true
wait "$player_pid" 2>/dev/null || true
player_pid=
[ -f "$roothome/.local/share/vimbo/Skins/Glass.ssk" ] && ok "run by root, the player keeps its skins in root's data folder" ||
    { cat "$work/player-root.log" >&2; fail "run by root: no skins in root's data folder"; }

chmod -R u+w "$root"
snapshot >"$work/after"
diff -u "$work/before" "$work/after" >&2 && ok "nothing written into the unpacked tree" ||
    fail "the unpacked tree changed"

if [ "$failures" -ne 0 ]; then
    echo "--- player's output" >&2
    cat "$work/player.log" >&2
    exit 1
fi
echo "package check: passed"
