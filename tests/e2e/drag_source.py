#!/usr/bin/python3
"""A file manager's end of a drag and drop: a small GTK window, "Arrastrar", at X,Y on the
screen, from which the first button drags the files and folders named, one path a line, in
LIST (read again at each drag). It offers them as a file manager does: as text/uri-list and as
text, to copy or to move.

Usage: drag_source.py LIST X Y

Prints "listo" once it shows, and for each drag how it ended: "soltado COPY" (or LINK, MOVE),
"sin soltar", and "borrar" when the target asked for the originals to be deleted (a move).
"""
import pathlib
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def say(text):
    print(text, flush=True)


def dragged_paths(listing):
    return [line for line in pathlib.Path(listing).read_text().splitlines() if line]


def main():
    listing, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    window = Gtk.Window(title="Arrastrar")
    window.set_default_size(160, 100)
    window.move(x, y)
    window.set_keep_above(True)
    handle = Gtk.EventBox()
    handle.add(Gtk.Label(label="Arrastrar"))
    window.add(handle)

    targets = Gtk.TargetList.new([])
    targets.add_uri_targets(0)
    targets.add_text_targets(1)
    handle.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [],
                           Gdk.DragAction.COPY | Gdk.DragAction.MOVE | Gdk.DragAction.LINK)
    handle.drag_source_set_target_list(targets)

    def give(_widget, _context, selection, info, _time):
        paths = dragged_paths(listing)
        if info == 0:
            selection.set_uris([GLib.filename_to_uri(path) for path in paths])
        else:
            selection.set_text("\n".join(paths), -1)

    def ended(_widget, context):
        action = context.get_selected_action()
        say(f"soltado {action.first_value_nick.upper()}" if action else "sin soltar")

    handle.connect("drag-data-get", give)
    handle.connect("drag-end", ended)
    handle.connect("drag-data-delete", lambda *_: say("borrar"))
    window.connect("destroy", Gtk.main_quit)
    window.connect("map-event", lambda *_: say("listo"))
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
