#!/usr/bin/python3
"""A stand-in for the XDG desktop portal's global shortcuts on a private session bus,
as a desktop that has them answers: the host registry, CreateSession and
BindShortcuts (each answered on its Request object), and Activated for a shortcut
when the test calls Press(id) on org.snaprill.Test. Every call is appended to the
log file as one JSON line.

usage: fake_portal.py LOG   (DBUS_SESSION_BUS_ADDRESS names the bus)"""
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"


class Portal(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, PATH)
        self.bus = bus
        self.log = log
        self.session = None

    def record(self, **call):
        with open(self.log, "a") as log:
            log.write(json.dumps(call) + "\n")

    def respond(self, sender, token, results):
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (
            sender[1:].replace(".", "_"), token)
        signal = dbus.lowlevel.SignalMessage(path, "org.freedesktop.portal.Request", "Response")
        signal.append(dbus.UInt32(0), dbus.Dictionary(results, signature="sv"))
        # Answered a moment later, as a real portal does after its backend.
        GLib.timeout_add(50, lambda: self.bus.send_message(signal) and False)
        return dbus.ObjectPath(path)

    @dbus.service.method("org.freedesktop.host.portal.Registry", in_signature="sa{sv}",
                         out_signature="")
    def Register(self, app_id, options):
        self.record(call="Register", app_id=str(app_id))

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        self.session = "/org/freedesktop/portal/desktop/session/%s/%s" % (
            sender[1:].replace(".", "_"), options["session_handle_token"])
        self.record(call="CreateSession")
        return self.respond(sender, options["handle_token"], {"session_handle": self.session})

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None):
        self.record(call="BindShortcuts", session=str(session),
                    shortcuts=[[str(i), {str(k): str(v) for k, v in p.items()}]
                               for i, p in shortcuts])
        return self.respond(sender, options["handle_token"], {})

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut, timestamp, options):
        pass

    @dbus.service.method("org.snaprill.Test", in_signature="s", out_signature="")
    def Press(self, shortcut):
        self.Activated(dbus.ObjectPath(self.session), shortcut, dbus.UInt64(0),
                       dbus.Dictionary({}, signature="sv"))


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
    portal = Portal(bus, sys.argv[1])
    portal.record(call="ready")
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()
