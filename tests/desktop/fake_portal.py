#!/usr/bin/python3
"""A stand-in for the XDG desktop portal on a private session bus, as the desktops
answer: the host registry, the global shortcuts (CreateSession, BindShortcuts, each
answered on its Request object; Activated for a shortcut when the test calls
Press(id)), the screenshot (a picture saved into a file of its own) and the
permission store's Lookup. Started by hand, or by the bus when a program first calls
it (D-Bus activation). Every call is appended to the log file as one JSON line.

What it does is set by MODE words, and later by the test's SetMode("WORDS"):
  register-refused   the registry finds no desktop file: Register fails, and a
                     session is then refused (response 2)
  no-shortcuts       no GlobalShortcuts interface at all
  bind-waits         BindShortcuts is not answered: the user has to confirm first;
                     the test's Confirm() then sends ShortcutsChanged
  shot-refused / shot-cancelled / shot-silent
                     Screenshot answers 2 (refused), 1 (cancelled), or never; a
                     silent one is a question left open: like xdg-desktop-portal
                     1.22 the portal answers no other call until it is closed
  shot-late=SECONDS  Screenshot answers with the picture that much later
  permission=yes|no  what the permission store holds for "snaprill"

usage: fake_portal.py LOG [MODE...]   (the bus: DBUS_STARTER_ADDRESS where the bus
started it, else DBUS_SESSION_BUS_ADDRESS)"""
import json
import os
import struct
import sys
import zlib

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
SCREENSHOT = "org.freedesktop.portal.Screenshot"
REGISTRY = "org.freedesktop.host.portal.Registry"
STORE = "org.freedesktop.impl.portal.PermissionStore"
# A picture the tests know, saved as PNG as the portals do: 40x30, red left half,
# blue right half.
WIDTH, HEIGHT = 40, 30


def picture_bytes():
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    row = b"\0" + bytes([200, 30, 30]) * (WIDTH // 2) + bytes([30, 30, 200]) * (WIDTH // 2)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(row * HEIGHT)) + chunk(b"IEND", b""))


class Portal(dbus.service.Object):
    def __init__(self, bus, log, modes):
        super().__init__(bus, PATH)
        self.bus = bus
        self.log = log
        self.modes = set()
        self.set_modes(modes)
        self.session = None
        self.registered = {}
        self.held = []          # calls waiting for an open question to end
        self.question = None    # the Request path of the open question
        self.shots = 0

    def set_modes(self, words):
        self.modes = set(words)

    def mode_value(self, name, default=None):
        for word in self.modes:
            if word.startswith(name + "="):
                return word.split("=", 1)[1]
        return default

    def record(self, **call):
        with open(self.log, "a") as log:
            log.write(json.dumps(call) + "\n")

    def request_path(self, sender, token):
        return "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)

    def respond(self, path, code, results, delay=50):
        signal = dbus.lowlevel.SignalMessage(path, "org.freedesktop.portal.Request", "Response")
        signal.append(dbus.UInt32(code), dbus.Dictionary(results, signature="sv"))
        # Answered a moment later, as a real portal does after its backend.
        GLib.timeout_add(delay, lambda: self.bus.send_message(signal) and False)

    def busy(self, run):
        """Held while a question is open: xdg-desktop-portal 1.22 answers no one then."""
        if self.question is None:
            run()
            return
        self.held.append(run)

    def end_question(self):
        self.question = None
        held, self.held = self.held, []
        for run in held:
            run()

    # The host registry.
    @dbus.service.method(REGISTRY, in_signature="sa{sv}", out_signature="", sender_keyword="sender",
                         async_callbacks=("ok", "fail"))
    def Register(self, app_id, options, sender=None, ok=None, fail=None):
        def run():
            self.record(call="Register", app_id=str(app_id))
            if "register-refused" in self.modes:
                fail(dbus.exceptions.DBusException(
                    "Could not register app ID: App info not found for '%s'" % app_id,
                    name="org.freedesktop.portal.Error.Failed"))
                return
            self.registered[str(sender)] = str(app_id)
            ok()
        self.busy(run)

    # The global shortcuts.
    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender", async_callbacks=("ok", "fail"))
    def CreateSession(self, options, sender=None, ok=None, fail=None):
        def run():
            if "no-shortcuts" in self.modes:
                fail(dbus.exceptions.DBusException(
                    "No such interface", name="org.freedesktop.DBus.Error.UnknownMethod"))
                return
            self.session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"),
                                                 options["session_handle_token"])
            self.record(call="CreateSession")
            path = self.request_path(sender, options["handle_token"])
            if "register-refused" in self.modes and str(sender) not in self.registered:
                self.respond(path, 2, {})
            else:
                self.respond(path, 0, {"session_handle": self.session})
            ok(dbus.ObjectPath(path))
        self.busy(run)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender", async_callbacks=("ok", "fail"))
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None, ok=None,
                      fail=None):
        def run():
            self.record(call="BindShortcuts", session=str(session),
                        shortcuts=[[str(i), {str(k): str(v) for k, v in p.items()}]
                                   for i, p in shortcuts])
            path = self.request_path(sender, options["handle_token"])
            if "bind-waits" not in self.modes:
                self.respond(path, 0, {})
            ok(dbus.ObjectPath(path))
        self.busy(run)

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut, timestamp, options):
        pass

    @dbus.service.signal(SHORTCUTS, signature="oa(sa{sv})")
    def ShortcutsChanged(self, session, shortcuts):
        pass

    # The screenshot.
    @dbus.service.method(SCREENSHOT, in_signature="sa{sv}", out_signature="o",
                         sender_keyword="sender", async_callbacks=("ok", "fail"))
    def Screenshot(self, parent, options, sender=None, ok=None, fail=None):
        def run():
            self.record(call="Screenshot", parent=str(parent),
                        interactive=bool(options.get("interactive", False)),
                        app_id=self.registered.get(str(sender), ""))
            path = self.request_path(sender, options["handle_token"])
            if "shot-refused" in self.modes:
                self.respond(path, 2, {})
            elif "shot-cancelled" in self.modes:
                self.respond(path, 1, {})
            elif "shot-silent" in self.modes:
                self.question = path
            else:
                self.shots += 1
                name = os.path.join(os.path.dirname(os.path.abspath(self.log)),
                                    "portal-shot-%d.png" % self.shots)
                with open(name, "wb") as f:
                    f.write(picture_bytes())
                late = float(self.mode_value("shot-late", "0"))
                self.respond(path, 0, {"uri": "file://" + name}, int(50 + 1000 * late))
            ok(dbus.ObjectPath(path))
        self.busy(run)

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss",
                         out_signature="v", async_callbacks=("ok", "fail"))
    def Get(self, interface, name, ok=None, fail=None):
        def run():
            self.record(call="Get", interface=str(interface), name=str(name))
            offered = {SCREENSHOT: 2}
            if "no-shortcuts" not in self.modes:
                offered[SHORTCUTS] = 2
            if str(interface) not in offered or str(name) != "version":
                fail(dbus.exceptions.DBusException(
                    "No such interface '%s'" % interface,
                    name="org.freedesktop.DBus.Error.InvalidArgs"))
                return
            ok(dbus.UInt32(offered[str(interface)], variant_level=1))
        self.busy(run)

    # The tests' own controls.
    @dbus.service.method("org.snaprill.Test", in_signature="s", out_signature="")
    def Press(self, shortcut):
        self.Activated(dbus.ObjectPath(self.session), shortcut, dbus.UInt64(0),
                       dbus.Dictionary({}, signature="sv"))

    @dbus.service.method("org.snaprill.Test", in_signature="", out_signature="")
    def Confirm(self):
        self.ShortcutsChanged(dbus.ObjectPath(self.session),
                              dbus.Array([("screen", {"description": "Screen"})],
                                         signature="(sa{sv})"))

    @dbus.service.method("org.snaprill.Test", in_signature="s", out_signature="")
    def SetMode(self, words):
        """New words; a question still open is answered (closed) first."""
        self.set_modes(words.split())
        if self.question is not None:
            self.end_question()


class Store(dbus.service.Object):
    """The permission store, a bus name and object of its own."""

    def __init__(self, bus, portal):
        super().__init__(bus, "/org/freedesktop/impl/portal/PermissionStore")
        self.portal = portal

    @dbus.service.method(STORE, in_signature="ss", out_signature="a{sas}v")
    def Lookup(self, table, key):
        self.portal.record(call="Lookup", table=str(table), key=str(key))
        permission = self.portal.mode_value("permission")
        if permission is None:
            raise dbus.exceptions.DBusException(
                "No entry for %s" % key, name="org.freedesktop.portal.Error.NotFound")
        return (dbus.Dictionary({"snaprill": [permission]}, signature="sas"),
                dbus.Boolean(True, variant_level=1))


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.StarterBus() if "DBUS_STARTER_ADDRESS" in os.environ else dbus.SessionBus()
    portal = Portal(bus, sys.argv[1], sys.argv[2:])
    store = Store(bus, portal)

    # Close, on whichever Request it is sent to.
    def message_filter(connection, message):
        if message.get_type() == 1 and message.get_member() == "Close" and \
                message.get_interface() == "org.freedesktop.portal.Request":
            portal.record(call="Close", path=message.get_path())
            if portal.question == message.get_path():
                portal.end_question()
            connection.send_message(dbus.lowlevel.MethodReturnMessage(message))
            return dbus.lowlevel.HANDLER_RESULT_HANDLED
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    bus.add_message_filter(message_filter)
    names = [dbus.service.BusName("org.freedesktop.portal.Desktop", bus),
             dbus.service.BusName(STORE, bus)]
    portal.record(call="ready")
    GLib.MainLoop().run()
    del names, store


if __name__ == "__main__":
    main()
