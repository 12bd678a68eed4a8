#!/usr/bin/python3
"""Prints "layout<TAB>insert handle<TAB>tag<TAB>value" for every ATTRIB, sorted."""
import sys

import ezdxf

doc = ezdxf.readfile(sys.argv[1])
rows = []
for layout in doc.layouts:
    for insert in layout.query("INSERT"):
        for attrib in insert.attribs:
            rows.append("%s\t%s\t%s\t%s" % (layout.name, insert.dxf.handle, attrib.dxf.tag, attrib.dxf.text))
print("\n".join(sorted(rows)))
