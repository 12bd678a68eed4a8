#!/usr/bin/python3
"""The benchmark's template applied with ezdxf: load, change the ATTRIBs, save.

    ezdxf_modify.py DRAWING...

Same changes as bench/template.txt: REV and DATE set, CHECKED cleared, "plan"
replaced by "layout" in TITLE (letter case ignored), TAG1 set, in every block
insert of every layout.
"""
import re
import sys

import ezdxf

SET = {"REV": "B", "DATE": "2026-12-06", "CHECKED": "", "TAG1": "CHANGED"}
FIND = {"TITLE": (re.compile(re.escape("plan"), re.IGNORECASE), "layout")}


def is_binary(path):
    with open(path, "rb") as f:
        return f.read(22) == b"AutoCAD Binary DXF\r\n\x1a\x00"


def modify(path):
    doc = ezdxf.readfile(path)
    for layout in doc.layouts:
        for insert in layout.query("INSERT"):
            for attrib in insert.attribs:
                tag = attrib.dxf.tag.upper()
                if tag in SET:
                    attrib.dxf.text = SET[tag]
                elif tag in FIND:
                    pattern, repl = FIND[tag]
                    attrib.dxf.text = pattern.sub(repl, attrib.dxf.text)
    doc.saveas(path, fmt="bin" if is_binary(path) else "asc")


for p in sys.argv[1:]:
    modify(p)
