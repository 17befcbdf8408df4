#!/usr/bin/python3
"""Compares each output with a reference: the whole source reduced to the output's size with a
Lanczos filter. Prints the PSNR of Velaria's and vipsthumbnail's outputs and fails when one of
Velaria's is more than 1 dB below vipsthumbnail's. At quality 90 both keep the colour detail
whole (4:4:4); vipsthumbnail made to halve it (4:2:0) is printed too, to show what that choice
alone is worth.

Usage: bench/quality.py CORPUS VELARIA_OUTPUTS VIPS_OUTPUTS [VIPS_420_OUTPUTS]
"""
import math
import os
import sys

import numpy
from PIL import Image, ImageOps


def psnr(reference, picture):
    a = numpy.asarray(reference, dtype=numpy.float64)
    b = numpy.asarray(picture, dtype=numpy.float64)
    mse = numpy.mean((a - b) ** 2)
    return float("inf") if mse == 0 else 10 * math.log10(255.0 ** 2 / mse)


def against_reference(source, output):
    picture = Image.open(output).convert("RGB")
    reference = source.resize(picture.size, Image.LANCZOS)
    return psnr(reference, picture)


def compare(corpus, velaria, vips, vips420=None):
    """One row per source picture: its name and the PSNR of Velaria's output, vipsthumbnail's
    and (when given) vipsthumbnail's made 4:2:0, each against the reference. None when an
    output is missing."""
    rows = []
    for name in sorted(os.listdir(corpus)):
        if name.startswith("."):
            continue
        stem = os.path.splitext(name)[0]
        ours = os.path.join(velaria, stem + ".jpg")
        theirs = os.path.join(vips, stem + ".jpg")
        if not (os.path.exists(ours) and os.path.exists(theirs)):
            print(f"  {name}: output missing")
            return None
        with Image.open(os.path.join(corpus, name)) as opened:
            # White behind any transparent part, as both tools put it.
            source = ImageOps.exif_transpose(opened)
            if source.mode in ("RGBA", "LA", "P") and "transparency" in source.info:
                source = source.convert("RGBA")
                white = Image.new("RGBA", source.size, "white")
                source = Image.alpha_composite(white, source)
            source = source.convert("RGB")
        a, b = against_reference(source, ours), against_reference(source, theirs)
        c = (against_reference(source, os.path.join(vips420, stem + ".jpg"))
             if vips420 else float("nan"))
        rows.append((name, a, b, c))
    return rows


def main():
    corpus, velaria, vips = sys.argv[1:4]
    vips420 = sys.argv[4] if len(sys.argv) > 4 else None
    rows = compare(corpus, velaria, vips, vips420)
    if not rows:
        return 1
    worst = min(r[1] - r[2] for r in rows)
    # One line per kind of source: the worst picture of that kind, and the means.
    for kind in sorted({os.path.splitext(r[0])[1] for r in rows}):
        own = [r for r in rows if r[0].endswith(kind)]
        worst_row = min(own, key=lambda r: r[1] - r[2])
        mean = lambda i: sum(r[i] for r in own) / len(own)
        print(f"  {kind[1:]:>3} ({len(own):2} files): Velaria {mean(1):5.2f} dB, vipsthumbnail "
              f"{mean(2):5.2f} dB (made 4:2:0 {mean(3):5.2f} dB); worst {worst_row[0]} "
              f"{worst_row[1] - worst_row[2]:+.2f} dB")
    mean_a = sum(r[1] for r in rows) / len(rows)
    mean_b = sum(r[2] for r in rows) / len(rows)
    mean_c = sum(r[3] for r in rows) / len(rows)
    ok = worst >= -1.0
    print(f"  mean: Velaria {mean_a:.2f} dB, vipsthumbnail {mean_b:.2f} dB "
          f"(made 4:2:0 {mean_c:.2f} dB); worst difference {worst:+.2f} dB: "
          f"{'within' if ok else 'NOT within'} 1 dB of vipsthumbnail")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
