#!/usr/bin/python3
"""What a screen reader finds of a running program, through AT-SPI on the session bus.

Usage:
  screen_reader.py names APP NAME...   prints "role<TAB>name<TAB>description" for each named
                                       control, fails naming the ones it cannot find
  screen_reader.py focused APP         prints the name of each control that says it has the
                                       focus (a list's current entry does too), one a line
  screen_reader.py texts APP WORDS     prints the whole name of each control whose name holds
                                       WORDS (a message box's text, say), one a line
  screen_reader.py changes APP SECONDS NAME...
                                       listens for SECONDS to what the named controls announce
                                       of a change of their text or value, printing
                                       "event<TAB>name<TAB>text now" for each; "escuchando" first

APP is the application's name as it announces itself. Waits a while for the program to show
what is asked: it may still be starting.
"""
import sys
import time

import pyatspi


def find_application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        application = desktop.getChildAtIndex(i)
        if application is not None and application.name == name:
            return application
    return None


def controls(accessible):
    """Every accessible object below one, depth first."""
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from controls(child)


def named(application, names):
    found = {}
    for control in controls(application):
        if control.name in names and control.name not in found:
            found[control.name] = control
    return found


def focused(application):
    return [control for control in controls(application)
            if control.getState().contains(pyatspi.STATE_FOCUSED)]


def holding(application, words):
    return [control for control in controls(application) if words in (control.name or "")]


def text_of(control):
    try:
        return control.queryText().getText(0, -1)
    except NotImplementedError:
        return ""


def listen(app_name, seconds, names):
    from gi.repository import GLib

    def heard(event):
        source = event.source
        if source is not None and source.name in names and \
                source.getApplication().name == app_name:
            print(f"{event.type}\t{source.name}\t{text_of(source)}", flush=True)

    pyatspi.Registry.registerEventListener(heard, "object:text-changed",
                                           "object:property-change:accessible-value",
                                           "object:value-changed")
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    GLib.idle_add(lambda: print("escuchando", flush=True))
    pyatspi.Registry.start()
    return 0


def main():
    commands = ("names", "focused", "texts", "changes")
    if len(sys.argv) < 3 or sys.argv[1] not in commands or \
            (sys.argv[1] == "texts" and len(sys.argv) != 4):
        print(__doc__, file=sys.stderr)
        return 2
    command, app_name, names = sys.argv[1], sys.argv[2], sys.argv[3:]
    if command == "changes":
        return listen(app_name, float(names[0]), names[1:])
    deadline = time.monotonic() + 20
    while True:
        application = find_application(app_name)
        if application is not None:
            if command == "focused":
                found = focused(application)
                if found:
                    print("\n".join(control.name for control in found))
                    return 0
            elif command == "texts":
                found = holding(application, names[0])
                if found:
                    print("\n".join(control.name for control in found))
                    return 0
            else:
                found = named(application, names)
                if len(found) == len(set(names)):
                    for name in names:
                        control = found[name]
                        print(f"{control.getRoleName()}\t{name}\t{control.description}")
                    return 0
        if time.monotonic() > deadline:
            break
        time.sleep(0.3)
    if application is None:
        print(f"ninguna aplicación «{app_name}» en el bus de accesibilidad", file=sys.stderr)
    elif command == "focused":
        print("ningún control tiene el foco", file=sys.stderr)
    elif command == "texts":
        print(f"ningún control dice «{names[0]}»", file=sys.stderr)
    else:
        missing = [name for name in names if name not in found]
        print("no se encuentran: " + "; ".join(missing), file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
