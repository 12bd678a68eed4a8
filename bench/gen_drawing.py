#!/usr/bin/python3
"""Writes a realistic title-block drawing of about a given size.

    gen_drawing.py OUT.dxf SIZE_BYTES [--binary] [--layouts N] [--attribs K]

Each paper space layout holds a TITLE block insert (DWGNO, TITLE, REV, DATE,
DRAWN, CHECKED, SHEET); model space holds a grid of PART inserts with K
attributes each and some plain geometry. The number of PART inserts is chosen
so that the file comes out close to SIZE_BYTES.
"""
import argparse
import os
import sys

import ezdxf

TITLE_TAGS = ["DWGNO", "TITLE", "REV", "DATE", "DRAWN", "CHECKED", "SHEET"]


def define_blocks(doc, attribs):
    title = doc.blocks.new("TITLE")
    title.add_lwpolyline([(0, 0), (180, 0), (180, 60), (0, 60)], close=True)
    for i, tag in enumerate(TITLE_TAGS):
        title.add_attdef(tag, (5, 52 - 7 * i), dxfattribs={"height": 3})
    part = doc.blocks.new("PART")
    part.add_circle((0, 0), 4)
    part.add_line((-5, 0), (5, 0))
    for k in range(attribs):
        part.add_attdef("TAG%d" % (k + 1), (6, 3 * k), dxfattribs={"height": 1.5})


def title_values(sheet):
    return {
        "DWGNO": "A-%03d" % sheet,
        "TITLE": "Ground floor plan, sheet %d" % sheet,
        "REV": "A",
        "DATE": "2026-01-15",
        "DRAWN": "JD",
        "CHECKED": "MK",
        "SHEET": str(sheet),
    }


def build(parts, layouts, attribs):
    doc = ezdxf.new("R2000")
    doc.layers.add("TITLE")
    doc.layers.add("PARTS")
    define_blocks(doc, attribs)
    msp = doc.modelspace()
    side = max(1, int(parts ** 0.5))
    for n in range(parts):
        x, y = (n % side) * 20, (n // side) * 20
        ins = msp.add_blockref("PART", (x, y), dxfattribs={"layer": "PARTS"})
        ins.add_auto_attribs({"TAG%d" % (k + 1): "P%06d-%d" % (n, k + 1) for k in range(attribs)})
        if n % 4 == 0:
            msp.add_line((x, y), (x + 10, y + 10))
    msp.add_blockref("TITLE", (0, -80), dxfattribs={"layer": "TITLE"}).add_auto_attribs(title_values(0))
    for sheet in range(1, layouts + 1):
        name = "Sheet%d" % sheet
        layout = doc.layouts.get("Layout1") if sheet == 1 else doc.layouts.new(name)
        if sheet == 1:
            layout.rename(name)
        layout.add_blockref("TITLE", (10, 10), dxfattribs={"layer": "TITLE"}).add_auto_attribs(title_values(sheet))
    return doc


def save(doc, path, binary):
    if binary:
        doc.saveas(path, fmt="bin")
    else:
        doc.saveas(path)
    return os.path.getsize(path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("size", type=int)
    ap.add_argument("--binary", action="store_true")
    ap.add_argument("--layouts", type=int, default=4)
    ap.add_argument("--attribs", type=int, default=4)
    a = ap.parse_args()
    # Calibrate on a small drawing, then scale the number of parts.
    probe_parts = 50
    base = save(build(0, a.layouts, a.attribs), a.out, a.binary)
    probe = save(build(probe_parts, a.layouts, a.attribs), a.out, a.binary)
    per_part = max(1.0, (probe - base) / probe_parts)
    parts = max(0, int((a.size - base) / per_part))
    size = save(build(parts, a.layouts, a.attribs), a.out, a.binary)
    print("%s: %d bytes, %d parts, %d layouts" % (a.out, size, parts, a.layouts))


if __name__ == "__main__":
    sys.exit(main())
