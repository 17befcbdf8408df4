"""Packs PNG pictures into one Windows icon file (PNG-compressed entries, as Windows reads them
since Vista). Usage: make_ico.py OUTPUT.ico INPUT.png..."""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main(output, inputs):
    pictures = [open(path, "rb").read() for path in inputs]
    offset = 6 + 16 * len(pictures)
    header = struct.pack("<HHH", 0, 1, len(pictures))
    entries = b""
    for data in pictures:
        width, height = png_size(data)
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset)
        offset += len(data)
    with open(output, "wb") as ico:
        ico.write(header + entries + b"".join(pictures))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:])
