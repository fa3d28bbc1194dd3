#!/bin/sh
# A Debian root holding today's compositors (sway, KWin, GNOME Shell) and their
# portals, from the suite where the newest ones land first (unstable: GNOME 51 reached it
# while testing still had 50), for the desktop tests' tier on the newest desktops. Made once, kept outside
# the clone (CI clones afresh on the same machine, so the cache outlives every run),
# brought up to date at most once a week or when the package list below changes.
#   usage: make_root.sh            prints the root's path when it is ready; exit 1 when
#                                  it cannot be made (no network on the first run)
# Run as root: debootstrap and chroot need it. The root is
# ${SNAPRILL_TESTING_ROOT:-/var/cache/snaprill/testing-root}; its lock file sits beside it.
#
# The root's state, in its file .snaprill-root (written last, so its absence means an
# interrupted debootstrap or update: the root is made again from nothing):
#   suite=<SUITE>   packages=<the list below>   made=<seconds since 1970>   updated=<same>
# A root of another suite is made again from nothing rather than moved across suites.
# Nothing is mounted into the root here: the sessions bind /proc, /sys, /dev, /dev/shm
# and /tmp in a mount namespace of their own (session.sh), which the kernel takes down
# with its last process, so no run leaves a bind behind, and removing the root can never
# reach into the machine's /dev.
set -eu
R=${SNAPRILL_TESTING_ROOT:-/var/cache/snaprill/testing-root}
STATE=$R/.snaprill-root
# sway with its screenshots and clipboard tools; KWin with its portal and global
# shortcuts daemon; GNOME Shell (Mutter) with its portal; the D-Bus daemon that gives
# each session its bus.
PACKAGES="sway grim wl-clipboard xwayland wayland-utils
kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde kglobalacceld
mutter gnome-shell xdg-desktop-portal-gnome
dbus dbus-daemon dbus-bin"
PACKAGES=$(echo $PACKAGES)
SUITE=sid
WEEK=$((7 * 24 * 3600))
# The archive may serve a Release file past its Valid-Until date (a mirror or a
# snapshot behind the live archive): apt would refuse every index. The packages are
# still checked against the archive's keys; only the freshness date is waived.
APT="apt-get -o Acquire::Check-Valid-Until=false -o Acquire::Check-Date=false -qq"
# The session user: the same uid inside the root and out, since Snaprill outside
# connects to sockets that the compositor inside makes as that user.
U=${SESSION_USER:-wltest}

[ "$(id -u)" -eq 0 ] || { echo "make_root.sh: needs root (debootstrap, chroot)" >&2; exit 1; }
mkdir -p "$(dirname "$R")"
# One maker at a time; the sessions hold the same lock shared, so the root is never
# updated under a running test. Waits up to 40 minutes for another run's first build.
exec 9>"$R.lock"
flock -w 2400 9 || { echo "make_root.sh: another run holds $R.lock" >&2; exit 1; }

say() { echo "make_root.sh: $*" >&2; }
value() { sed -n "s/^$1=//p" "$STATE" 2>/dev/null; }

# Anything still mounted below the root (a session killed without its namespace,
# which cannot happen with unshare, or a hand-made bind): never remove through it.
mounted_below() { awk -v r="$R/" 'index($5, r) == 1 { found = 1 } END { exit !found }' \
  /proc/self/mountinfo; }

remove_root() {
  if mounted_below; then
    say "something is mounted below $R; leaving it alone"
    exit 1
  fi
  rm -rf "$R"
}

# A command in the root, with the machine's /proc, /sys and /dev bound in (package
# scripts need them) in a mount namespace that ends with the command.
in_root() {
  unshare --mount --propagation private -- sh -c '
    R=$1; shift
    for m in proc sys dev dev/pts dev/shm; do mount --bind "/$m" "$R/$m" || exit 1; done
    exec chroot "$R" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"
  ' in_root "$R" "$@"
}

install_packages() {
  in_root $APT update && in_root $APT install -y --no-install-recommends $PACKAGES >/dev/null
}

write_state() {
  printf 'suite=%s\npackages=%s\nmade=%s\nupdated=%s\n' "$SUITE" "$PACKAGES" "$1" "$2" > "$STATE.new"
  mv "$STATE.new" "$STATE"
}

# Also after each install: the installed kwin_wayland carries a file capability
# (cap_sys_nice) that fails in a container ("Operation not permitted"); a plain copy
# earlier on PATH runs.
prepare_inside() {
  id "$U" >/dev/null 2>&1 || useradd -m "$U"
  uid=$(id -u "$U")
  if [ "$(in_root id -u "$U" 2>/dev/null)" != "$uid" ]; then
    in_root userdel "$U" >/dev/null 2>&1 || true
    in_root useradd -M -u "$uid" -d "/home/$U" "$U"
  fi
  cp "$R/usr/bin/kwin_wayland" "$R/usr/local/bin/kwin_wayland"
}

now=$(date +%s)
started=$now
if [ -d "$R" ] && [ ! -f "$STATE" ]; then
  say "$R is half made (an interrupted build or update): making it again"
  remove_root
fi
if [ -f "$STATE" ] && [ "$(value suite)" != "$SUITE" ]; then
  say "$R holds another suite than $SUITE: making it again"
  remove_root
fi
if [ ! -d "$R" ]; then
  command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null
  # The mirror this machine's apt already uses.
  M=$(sed -n "s/^URIs: *//p" /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
  say "making $R from Debian $SUITE (${M:-the default mirror}); the first time takes a while"
  if ! debootstrap --variant=minbase $SUITE "$R" ${M:+"$M"} >"$R.log" 2>&1 ||
    ! echo 'Acquire::Check-Valid-Until "false";' > "$R/etc/apt/apt.conf.d/10snaprill" ||
    ! printf '#!/bin/sh\n# No services start in a root for tests.\nexit 101\n' > "$R/usr/sbin/policy-rc.d" ||
    ! chmod 755 "$R/usr/sbin/policy-rc.d" ||
    ! install_packages >>"$R.log" 2>&1; then
    say "could not make the root; the last lines of $R.log:"
    tail -n 15 "$R.log" >&2
    remove_root
    exit 1
  fi
  prepare_inside
  write_state "$now" "$now"
  say "made in $(($(date +%s) - started)) s"
elif [ "$(value packages)" != "$PACKAGES" ] || [ $((now - $(value updated))) -gt $WEEK ]; then
  # An update half done leaves no state file behind: the next run starts afresh.
  made=$(value made)
  mv "$STATE" "$STATE.old"
  if in_root $APT update >>"$R.log" 2>&1 &&
    in_root $APT -y upgrade >>"$R.log" 2>&1 &&
    in_root $APT install -y --no-install-recommends $PACKAGES >>"$R.log" 2>&1; then
    write_state "$made" "$now"
    rm -f "$STATE.old"
    say "brought up to date in $(($(date +%s) - started)) s"
  elif [ "$(sed -n 's/^packages=//p' "$STATE.old")" = "$PACKAGES" ]; then
    # No network this week: the root of last week serves on.
    mv "$STATE.old" "$STATE"
    say "could not update $R (see $R.log); using it as it is"
  else
    say "could not install the new package list into $R (see $R.log)"
    exit 1
  fi
fi
prepare_inside
echo "$R"
