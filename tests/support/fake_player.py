#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A media player for tests: it owns org.mpris.MediaPlayer2.<name> on the session bus, answers
for its PlaybackStatus and Metadata, and announces changes when told. Each line written to the
control pipe is a JSON object with "status" and/or "metadata" (xesam keys, vlc:nowplaying); the
player takes them, signals PropertiesChanged, and prints "announced <n>" once the signal is
sent. It prints "ready" when it owns its name, and ends on {"quit": true} or SIGTERM."""

import argparse
import json
import os
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PLAYER = "org.mpris.MediaPlayer2.Player"
ROOT = "org.mpris.MediaPlayer2"
PROPERTIES = "org.freedesktop.DBus.Properties"
PATH = "/org/mpris/MediaPlayer2"


def bus_metadata(fields):
    values = {}
    for key, value in fields.items():
        values[key] = dbus.Array(value, signature="s") if isinstance(value, list) else dbus.String(value)
    return dbus.Dictionary(values, signature="sv")


class Player(dbus.service.Object):
    def __init__(self, bus, status, metadata):
        super().__init__(bus, PATH)
        self.status = status
        self.metadata = metadata

    def player_properties(self):
        return {"PlaybackStatus": dbus.String(self.status), "Metadata": bus_metadata(self.metadata)}

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        if interface == ROOT:
            return {"Identity": dbus.String("Test Player")}
        return self.player_properties()

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def take(self, command):
        changed = {}
        if "status" in command:
            self.status = command["status"]
            changed["PlaybackStatus"] = dbus.String(self.status)
        if "metadata" in command:
            self.metadata = command["metadata"]
            changed["Metadata"] = bus_metadata(self.metadata)
        self.PropertiesChanged(PLAYER, dbus.Dictionary(changed, signature="sv"),
                               dbus.Array([], signature="s"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--name", required=True)
    parser.add_argument("--control", required=True, help="a named pipe the commands come through")
    parser.add_argument("--status", default="Playing")
    parser.add_argument("--metadata", default="{}", help="the metadata at the start, as JSON")
    arguments = parser.parse_args()

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    player = Player(bus, arguments.status, json.loads(arguments.metadata))
    owned = dbus.service.BusName(ROOT + "." + arguments.name, bus)
    loop = GLib.MainLoop()
    # Opened for writing too, so that the pipe never reads as ended between two writers.
    control = os.open(arguments.control, os.O_RDWR | os.O_NONBLOCK)
    pending = b""
    announced = 0

    def on_control(fd, condition):
        nonlocal pending, announced
        pending += os.read(fd, 65536)
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            if not line.strip():
                continue
            command = json.loads(line)
            if command.get("quit"):
                loop.quit()
                return False
            player.take(command)
            bus.flush()
            announced += 1
            print("announced", announced, flush=True)
        return True

    GLib.io_add_watch(control, GLib.IO_IN, on_control)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    print("ready", flush=True)
    loop.run()
    del owned


if __name__ == "__main__":
    sys.exit(main())
