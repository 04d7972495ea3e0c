#!/usr/bin/python3
"""A desktop's tray as seen over the session bus, for the tray test.

watch              owns org.kde.StatusNotifierWatcher with a registered host; prints
                   "item <service> <path>" for each item that registers.
layout SERVICE     prints the item's exported menu, one entry a line: "<id>|<label>|<enabled>"
                   ("-" for a separator).
click SERVICE ID   sends the menu entry the "clicked" event, as a host does when it is chosen.
activate SERVICE   the host's left click on the item.
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"

# The toolkit reads the watcher's properties through introspection: they must be declared.
INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
</node>"""


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        path = "/StatusNotifierItem"
        if service.startswith("/"):
            service, path = sender, service
        self.items.append(service)
        print("item", service, path, flush=True)
        self.StatusNotifierItemRegistered(service)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s")
    def Introspect(self):
        return INTROSPECTION


def menu_of(bus, service):
    item = bus.get_object(service, "/StatusNotifierItem")
    path = item.Get(ITEM, "Menu", dbus_interface="org.freedesktop.DBus.Properties")
    return bus.get_object(service, path)


def main():
    bus = dbus.SessionBus(mainloop=DBusGMainLoop()) if sys.argv[1] == "watch" else dbus.SessionBus()
    if sys.argv[1] == "watch":
        name = dbus.service.BusName(WATCHER, bus)
        host = dbus.service.BusName("org.kde.StatusNotifierHost-double", bus)
        watcher = Watcher(bus)
        print("watching", flush=True)
        GLib.MainLoop().run()
    elif sys.argv[1] == "layout":
        menu = menu_of(bus, sys.argv[2])
        _, (_, _, children) = menu.GetLayout(0, -1, dbus.Array([], signature="s"), dbus_interface=MENU)
        for entry_id, props, _ in children:
            if props.get("type") == "separator":
                print("-")
            else:
                print("%d|%s|%s" % (entry_id, props.get("label", ""), bool(props.get("enabled", True))))
    elif sys.argv[1] == "click":
        menu = menu_of(bus, sys.argv[2])
        menu.Event(dbus.Int32(int(sys.argv[3])), "clicked", dbus.Int32(0, variant_level=1),
                   dbus.UInt32(0), dbus_interface=MENU)
    elif sys.argv[1] == "activate":
        item = bus.get_object(sys.argv[2], "/StatusNotifierItem")
        item.Activate(dbus.Int32(0), dbus.Int32(0), dbus_interface=ITEM)


if __name__ == "__main__":
    main()
