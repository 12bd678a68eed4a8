#!/usr/bin/python3
"""Writes the sample title-block drawings into examples/.

Run with Debian's interpreter, which has python3-ezdxf:
    /usr/bin/python3 scripts/make-examples.py

Every drawing holds a block TITLE with the attributes DWGNO, TITLE, REV, DATE,
DRAWN and CHECKED, inserted in model space and (from R2000 on) on a paper
space layout. The files are written with fixed metadata so that running the
script again gives the same bytes.
"""
import os
import sys

import ezdxf

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "examples")

TAGS = ["DWGNO", "TITLE", "REV", "DATE", "DRAWN", "CHECKED"]


def define_title_block(doc):
    block = doc.blocks.new(name="TITLE")
    block.add_lwpolyline([(0, 0), (180, 0), (180, 40), (0, 40)], close=True) \
        if doc.dxfversion > "AC1009" else block.add_polyline2d([(0, 0), (180, 0), (180, 40), (0, 40)], close=True)
    block.add_line((0, 20), (180, 20))
    for i, tag in enumerate(TAGS):
        x = 5 + (i % 3) * 60
        y = 25 if i < 3 else 5
        block.add_attdef(tag, (x, y), dxfattribs={"height": 3.5, "prompt": tag.title()})
    return block


def insert_title(layout, at, values, layer="TITLE"):
    ref = layout.add_blockref("TITLE", at, dxfattribs={"layer": layer})
    ref.add_auto_attribs(values)
    return ref


def make(name, version, fmt, model_values, paper_values=None, layout_name="Sheet A1"):
    doc = ezdxf.new(version)
    doc.layers.add("TITLE")
    doc.layers.add("BORDER")
    define_title_block(doc)
    msp = doc.modelspace()
    msp.add_line((0, 0), (420, 297), dxfattribs={"layer": "BORDER"})
    insert_title(msp, (240, 0), model_values)
    if paper_values is not None:
        layout = doc.layouts.new(layout_name)
        insert_title(layout, (100, 10), paper_values)
    path = os.path.join(EXAMPLES, name)
    doc.saveas(path, fmt=fmt)
    print(f"{name}: {os.path.getsize(path)} bytes")


def main():
    ezdxf.options.write_fixed_meta_data_for_testing = True
    os.makedirs(EXAMPLES, exist_ok=True)
    base = {"DWGNO": "A-101", "TITLE": "Ground floor plan", "REV": "A", "DATE": "2026-01-15",
            "DRAWN": "JS", "CHECKED": "KM"}

    # R12: model space only (no paper space layouts by name); code page text.
    make("title-r12.dxf", "R12", "asc",
         dict(base, TITLE="Schaltschrank Größe 2"))
    make("title-r12-bin.dxf", "R12", "bin",
         dict(base, DWGNO="A-100", TITLE="Site plan", DRAWN="Zoë"))
    # R2000: the code page has no Greek letters, so Ω is written as an escape.
    make("title-r2000.dxf", "R2000", "asc",
         dict(base, DWGNO="A-102", TITLE="Motor 10 kΩ winding"),
         dict(base, DWGNO="A-102", TITLE="Motor 10 kΩ winding", REV="B"))
    make("title-r2000-bin.dxf", "R2000", "bin",
         dict(base, DWGNO="A-103", TITLE="Pump room"),
         dict(base, DWGNO="A-103", TITLE="Pump room", DRAWN="Jürgen"))
    # R2018: UTF-8 text.
    make("title-r2018.dxf", "R2018", "asc",
         dict(base, DWGNO="B-201", TITLE="設計 Größe Ω"),
         dict(base, DWGNO="B-201", TITLE="設計 Größe Ω", REV="C"))
    make("title-r2018-bin.dxf", "R2018", "bin",
         dict(base, DWGNO="B-202", TITLE="Elevation north"),
         dict(base, DWGNO="B-202", TITLE="Elevation north", CHECKED="設計"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
