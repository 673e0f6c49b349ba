#!/usr/bin/python3
"""atspi_probe.py APP BUTTON: looks at APP as a screen reader does, over AT-SPI.

Prints one JSON object per line: {"ready": true} once APP is on the accessibility bus; when a
notification of APP becomes showing, what a screen reader reads of it (with the number of
showing events it sent meanwhile, each of which is spoken); then presses its push button BUTTON.
Exits 1 when nothing comes within 20 seconds.

With BUTTON "--present" it exits at once: 0 when APP is on the accessibility bus, else 1.
With BUTTON "--count" it only listens: {"listening": true} at once, then {"announced": NAME}
for every notification of any process named APP that becomes showing, for 60 seconds.
"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

app_name, button_name = sys.argv[1], sys.argv[2]
status = 1
showings = []


def say(**record):
    print(json.dumps(record), flush=True)


def descendants(node):
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield child
            yield from descendants(child)


def find_app():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        # Asking the application itself also makes sure it has heard of our listener.
        if app is not None and app.get_name() == app_name and app.get_child_count() >= 0:
            say(ready=True)
            return False
    return True


def read_and_press(card):
    global status
    buttons = [n for n in descendants(card) if n.get_role() == Atspi.Role.PUSH_BUTTON]
    say(showing=len(showings), name=card.get_name(), buttons=[b.get_name() for b in buttons])
    for button in buttons:
        if button.get_name() == button_name:
            button.get_action_iface().do_action(0)
            say(pressed=button_name)
            status = 0
    Atspi.event_quit()
    return False


def on_showing(event):
    source = event.source
    if event.detail1 != 1 or source.get_role() != Atspi.Role.NOTIFICATION:
        return
    if source.get_application().get_name() != app_name:
        return
    if button_name == "--count":
        say(announced=source.get_name())
        return
    showings.append(source)
    if len(showings) == 1:
        GLib.timeout_add(300, read_and_press, source)


listener = Atspi.EventListener.new(on_showing)
listener.register("object:state-changed:showing")
if button_name == "--present":
    sys.exit(0 if not find_app() else 1)
if button_name == "--count":
    say(listening=True)
    GLib.timeout_add_seconds(60, Atspi.event_quit)
else:
    GLib.timeout_add(50, find_app)
    GLib.timeout_add_seconds(20, Atspi.event_quit)
Atspi.event_main()
sys.exit(status)
