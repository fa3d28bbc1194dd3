#!/bin/sh
# One of today's compositors, headless, from the Debian testing root (make_root.sh),
# with a program of this machine run against it: Snaprill as built here connects
# through the sockets the compositor makes.
#   usage: session.sh sway|kwin|gnome DIR COMMAND...     (as root)
# COMMAND runs outside the root as the session user, with WAYLAND_DISPLAY, DISPLAY
# (Xwayland), XAUTHORITY, XDG_RUNTIME_DIR (DIR/run), XDG_CURRENT_DESKTOP and, for KWin
# and GNOME, DBUS_SESSION_BUS_ADDRESS (the session's private bus, on which the root's
# portals are started on demand) set; for sway also SWAYSOCK. Exit status: COMMAND's;
# 77 when there is no root.
#
# How it is arranged, and the headless limits met on the way:
# - Everything runs in a process namespace of its own, whose first process is this
#   script: when it ends, the kernel ends every process the session started, the
#   services its buses started on demand included.
# - And in a mount namespace of its own, in which /proc, /sys, /dev,
#   /dev/pts, /dev/shm, /tmp and the session user's home are bound into the root:
#   wlroots allocates its buffers in /dev/shm ("Failed to allocate buffer" without it);
#   /tmp carries the X servers' lock files, so Xwayland inside picks a display number
#   no X server outside holds, and DIR (under /tmp) has one path inside and out, so
#   sockets, the bus address and the X authority file need no translating; the home
#   holds the files the portal saves its screenshots in, which Snaprill outside
#   then reads by the path the portal hands back. The kernel takes the binds down with
#   the namespace's last process: nothing is left mounted.
# - The session user has the same uid inside and out (make_root.sh): Xwayland and the
#   buses let in only their own user's clients.
# - No GPU: wlroots draws with pixman (WLR_RENDERER=pixman). KWin without OpenGL
#   draws no pictures at all and answers every screenshot "Cancelled".
# - The installed kwin_wayland carries a file capability that fails here ("Operation
#   not permitted"): make_root.sh keeps a plain copy in /usr/local/bin.
# - GNOME Shell needs a system bus (a bus of its own at DIR/system_bus, run by the
#   session user, that starts no services) and waits for logind when
#   /run/systemd/seats exists (it does not in the root); it runs with --headless
#   --virtual-monitor 1280x800. Its Wayland socket answers only once it owns
#   org.gnome.Shell on the session bus.
set -eu
C=$1; W=$2; shift 2
R=${SNAPRILL_TESTING_ROOT:-/var/cache/snaprill/testing-root}
U=${SESSION_USER:-wltest}
RT=$W/run
if [ -z "${SNAPRILL_IN_NAMESPACE:-}" ]; then
  [ -f "$R/.snaprill-root" ] || {
    echo "session.sh: no testing root in $R (tests/desktop/testing_root/make_root.sh)" >&2
    exit 77
  }
  # Held shared while the session runs: make_root.sh updates the root only when no
  # session holds it.
  exec 9<"$R.lock"
  flock -s -w 600 9
  id "$U" >/dev/null 2>&1 || useradd -m "$U"
  mkdir -p "$RT" "/home/$U"; chown -R "$U:$U" "$W" "/home/$U"; chmod 755 "$W"; chmod 700 "$RT"
  mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
  SNAPRILL_IN_NAMESPACE=1 exec unshare --mount --propagation private --pid --fork --mount-proc \
    -- sh "$0" "$C" "$W" "$@"
fi

bind() { mkdir -p "$R$1" && mount --bind "$1" "$R$1"; }
for m in /proc /sys /dev /dev/pts /dev/shm /tmp "/home/$U"; do bind "$m"; done
case $W in /tmp/*) ;; *) bind "$W" ;; esac

ENV="PATH=/usr/local/bin:/usr/bin:/bin HOME=/home/$U XDG_RUNTIME_DIR=$RT XDG_SESSION_TYPE=wayland"
BUS=unix:path=$RT/bus
# A command inside the root, as the session user, in the background.
inside() { chroot --userspec="$U:$U" "$R" env -i $ENV "$@" >>"$W/compositor.log" 2>&1 & }
pids=""
# Waits up to $2 seconds (30 by default) for the condition $1.
wait_for() { for i in $(seq $((${2:-30} * 5))); do eval "$1" && return 0; sleep 0.2; done; return 1; }
session_bus() {
  inside dbus-daemon --session --address="$BUS" --nofork --nopidfile
  pids="$pids $!"
  wait_for '[ -S "$RT/bus" ]' || true
}
# What the compositor tells its session programs, kept for the command outside.
REPORT='echo "$DISPLAY" > "$XDG_RUNTIME_DIR/display"; echo "${XAUTHORITY:-}" > "$XDG_RUNTIME_DIR/xauthority"'

case $C in
  sway)
    DESKTOP=sway
    cat > "$W/sway.conf" <<CONF
xwayland force
output HEADLESS-1 resolution 1280x800
exec sh -c '$REPORT'
CONF
    chmod 644 "$W/sway.conf"
    inside env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
      sway -c "$W/sway.conf"
    pids="$pids $!"
    ;;
  kwin)
    DESKTOP=KDE
    session_bus
    printf '#!/bin/sh\n%s\ndbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP\nexec sleep 100000\n' \
      "$REPORT" > "$W/kwin-session"
    chmod 755 "$W/kwin-session"
    inside env DBUS_SESSION_BUS_ADDRESS="$BUS" XDG_CURRENT_DESKTOP=KDE \
      kwin_wayland --virtual --xwayland --no-lockscreen --socket wayland-0 \
      --width 1280 --height 800 --exit-with-session "$W/kwin-session"
    pids="$pids $!"
    ;;
  gnome)
    DESKTOP=GNOME
    # A system bus that starts nothing: GNOME Shell asks it for logind, colord and
    # AccountsService, and a bus that tried to start them would hold its start for
    # 25 s each.
    cat > "$W/system.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$W/system_bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/> <allow own="*"/> <allow send_destination="*"/> <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
    chmod 644 "$W/system.conf"
    inside dbus-daemon --config-file="$W/system.conf" --nofork --nopidfile
    pids="$pids $!"
    session_bus
    wait_for '[ -S "$W/system_bus" ]' || true
    inside env DBUS_SESSION_BUS_ADDRESS="$BUS" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$W/system_bus" \
      XDG_CURRENT_DESKTOP=GNOME gnome-shell --headless --virtual-monitor 1280x800 \
      --wayland-display wayland-0
    pids="$pids $!"
    # Up once the shell owns its name on the bus, and Mutter its remote-desktop
    # service (which the checks give the seat a keyboard through; it comes seconds
    # later); the Xwayland display is named by then.
    for name in org.gnome.Shell org.gnome.Mutter.RemoteDesktop; do
      wait_for 'runuser -u "$U" -- gdbus call --address "$BUS" --dest org.freedesktop.DBus \
        --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner \
        $name 2>/dev/null | grep -q true' 120 || true
    done
    sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$W/compositor.log" | head -n 1 > "$RT/display"
    ls "$RT"/.mutter-Xwaylandauth.* 2>/dev/null | head -n 1 > "$RT/xauthority" || true
    chroot --userspec="$U:$U" "$R" env -i $ENV DBUS_SESSION_BUS_ADDRESS="$BUS" \
      dbus-update-activation-environment WAYLAND_DISPLAY=wayland-0 DISPLAY="$(cat "$RT/display")" \
      XDG_CURRENT_DESKTOP=GNOME XAUTHORITY="$(cat "$RT/xauthority")" >>"$W/compositor.log" 2>&1
    ;;
  *) echo "session.sh: sway, kwin or gnome, not $C" >&2; exit 2 ;;
esac

# Under KWin the root's clipboard tools, which speak ext-data-control (the only data
# control KWin offers), run from outside through the root's own dynamic loader and
# libraries. (Under GNOME, which has no data control, wl-copy 2.3 waits for a focus
# that GNOME 50 does not give its surface; this machine's wl-copy takes the keyboard
# focus the checks arrange.)
mkdir -p "$W/tools"
for tool in wl-copy wl-paste; do
  [ "$C" = kwin ] || break
  printf '#!/bin/sh\nexec %s/lib64/ld-linux-x86-64.so.2 --library-path %s/usr/lib/x86_64-linux-gnu %s/usr/bin/%s "$@"\n' \
    "$R" "$R" "$R" "$tool" > "$W/tools/$tool"
  chmod 755 "$W/tools/$tool"
done
ENV="$ENV PATH=$W/tools:/usr/bin:/bin"
rc=0
if wait_for '[ -s "$RT/display" ]'; then
  wayland=$(cd "$RT" && ls wayland-? 2>/dev/null | head -n 1)
  extra=""
  [ "$C" = sway ] && extra="SWAYSOCK=$(ls "$RT"/sway-ipc.*.sock)"
  [ "$C" = sway ] || extra="DBUS_SESSION_BUS_ADDRESS=$BUS"
  auth=$(cat "$RT/xauthority" 2>/dev/null || true)
  runuser -u "$U" -- env -i $ENV WAYLAND_DISPLAY="$wayland" DISPLAY="$(cat "$RT/display")" \
    ${auth:+XAUTHORITY="$auth"} XDG_CURRENT_DESKTOP=$DESKTOP TESTING_COMPOSITOR="$C" \
    $extra "$@" || rc=$?
else
  echo "session.sh: $C did not start; its log:" >&2
  tail -n 30 "$W/compositor.log" >&2
  rc=1
fi
for p in $pids; do kill "$p" 2>/dev/null || true; done
for p in $pids; do wait "$p" 2>/dev/null || true; done
exit $rc
