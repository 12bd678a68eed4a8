#!/usr/bin/python3
"""xml_matches_dxf.py DRAWING.dxf OUTPUT.xml: exit status 0 when the attributes
in kel-batch's XML (handle, tag, value) are exactly the ATTRIBs of the drawing's
inserts as ezdxf reads them, each once; otherwise prints the differences, status 1."""
import collections
import re
import sys

import ezdxf

UNICODE_ESCAPE = re.compile(r"\\[Uu]\+([0-9A-Fa-f]{4})")
ENTITY = re.compile(r"&(amp|lt|gt|quot|apos|#\d+);")
ENTITIES = {"amp": "&", "lt": "<", "gt": ">", "quot": '"', "apos": "'"}


def norm_text(s):
    return UNICODE_ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), s)


def norm_handle(h):
    return h.strip().upper().lstrip("0") or "0"


def unescape(s):
    return ENTITY.sub(lambda m: chr(int(m.group(1)[1:])) if m.group(1)[0] == "#" else ENTITIES[m.group(1)], s)


def xml_attributes(text):
    found, current = [], None
    for line in text.splitlines():
        line = line.strip()
        if line == "<Attribute>":
            current = {}
        elif line == "</Attribute>":
            found.append((norm_handle(current.get("handle", "")), current.get("tag", ""),
                          norm_text(current.get("value", ""))))
            current = None
        elif current is not None:
            m = re.fullmatch(r"<(handle|tag|value)>(.*)</\1>", line)
            if m:
                current[m.group(1)] = unescape(m.group(2))
    return found


def main(drawing, xml_path):
    doc = ezdxf.readfile(drawing)
    with open(xml_path, encoding="utf-8") as f:
        actual = xml_attributes(f.read())
    expected = [(norm_handle(att.dxf.handle), att.dxf.tag, norm_text(att.dxf.text))
                for layout in doc.layouts for insert in layout.query("INSERT") for att in insert.attribs]
    print(f"{len(expected)} attributes in the drawing, {len(actual)} in the XML")
    if doc.dxfversion <= "AC1009" and not doc.header.get("$HANDLING", 1):
        # The file has no handles: both readers number the objects their own way.
        actual = [("", t, v) for _, t, v in actual]
        expected = [("", t, v) for _, t, v in expected]
    problems = [f"drawing has attribute {h} {t}={v!r}, the XML does not"
                for h, t, v in collections.Counter(expected) - collections.Counter(actual)]
    for h, t, v in collections.Counter(actual) - collections.Counter(expected):
        # An ATTRIB the drawing has elsewhere (an insert inside a block) is no fault.
        entity = doc.entitydb.get(h) if h else None
        if entity is None or entity.dxftype() != "ATTRIB" or (entity.dxf.tag, norm_text(entity.dxf.text)) != (t, v):
            problems.append(f"XML has attribute {h} {t}={v!r}, the drawing does not")
    if len({h for h, _, _ in actual}) != len(actual) and all(h for h, _, _ in actual):
        problems.append("an attribute handle appears twice in the XML")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
