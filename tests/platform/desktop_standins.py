#!/usr/bin/python3
"""Stand-ins of plasmashell's scripting and of xfconf on the session bus.

    desktop_standins.py RECORD MODE

Every call is appended to RECORD as one JSON line. MODE:
  answer  plasmashell keeps what the script sets on its two desktops and
          prints them back; xfconf keeps its properties
  stale   plasmashell prints the old settings; xfconf drops every write
  silent  neither ever answers
Prints "ready" once both names are owned.
"""

import json
import re
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

record_path, mode = sys.argv[1], sys.argv[2]


def record(call, *arguments):
    with open(record_path, "a", encoding="utf-8") as out:
        out.write(json.dumps([call, *[str(a) for a in arguments]]) + "\n")


class PlasmaShell(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/PlasmaShell")
        self.desktops = [{"plugin": "org.kde.image", "Image": "file:///old.png", "FillMode": "2"}
                         for _ in range(2)]

    @dbus.service.method("org.kde.PlasmaShell", in_signature="s", out_signature="s",
                         async_callbacks=("reply", "error"))
    def evaluateScript(self, script, reply, error):
        record("evaluateScript", script)
        if mode == "silent":
            return
        if mode == "answer":
            # What the script asks of every desktop: its plugin, and for
            # the picture plugin its image and fill mode.
            plugin = re.search(r"var plugin = '([^']*)';", script).group(1)
            image = re.search(r"var image = '([^']*)';", script).group(1)
            fill = re.search(r"writeConfig\('FillMode', (\d+)\)", script).group(1)
            for desktop in self.desktops:
                desktop["plugin"] = plugin
                if plugin == "org.kde.image":
                    desktop.update(Image=image, FillMode=fill)
        reply("".join("wallpaper %s %s %s\n" % (d["plugin"], d["Image"], d["FillMode"])
                      for d in self.desktops))


class Xfconf(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/xfce/Xfconf")
        base = "/backdrop/screen0/"
        self.channels = {"xfce4-desktop": {
            base + "monitorVirtual-1/workspace0/last-image": dbus.String("/old.png"),
            base + "monitorVirtual-1/workspace0/image-style": dbus.Int32(5),
            base + "monitorVirtual-1/workspace1/last-image": dbus.String("/old.png"),
            base + "monitorHDMI-1/workspace0/last-image": dbus.String("/other.png"),
            "/backdrop/single-workspace-mode": dbus.Boolean(True),
            "/desktop-icons/style": dbus.Int32(2),
        }}

    def held(self, channel):
        return self.channels.setdefault(str(channel), {})

    @dbus.service.method("org.xfce.Xfconf", in_signature="ss", out_signature="a{sv}",
                         async_callbacks=("reply", "error"))
    def GetAllProperties(self, channel, base, reply, error):
        record("GetAllProperties", channel, base)
        if mode == "silent":
            return
        reply(dbus.Dictionary({k: v for k, v in self.held(channel).items()
                               if k == base or k.startswith(base.rstrip("/") + "/")},
                              signature="sv"))

    @dbus.service.method("org.xfce.Xfconf", in_signature="ssv", out_signature="",
                         async_callbacks=("reply", "error"))
    def SetProperty(self, channel, name, value, reply, error):
        record("SetProperty", channel, name, value)
        if mode == "silent":
            return
        if mode == "answer":
            self.held(channel)[str(name)] = value
        reply()


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
session = dbus.SessionBus()
names = [dbus.service.BusName("org.kde.plasmashell", session),
         dbus.service.BusName("org.xfce.Xfconf", session)]
services = [PlasmaShell(session), Xfconf(session)]
print("ready", flush=True)
GLib.MainLoop().run()
