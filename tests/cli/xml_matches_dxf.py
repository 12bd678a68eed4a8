#!/usr/bin/python3
"""xml_matches_dxf.py DRAWING.dxf OUTPUT.xml: exit status 0 when the attributes
in kel-batch's XML (handle, tag, value) are exactly the ATTRIBs of the drawing's
inserts as ezdxf reads them; otherwise prints the differences, status 1."""
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
    def one(m):
        name = m.group(1)
        return chr(int(name[1:])) if name.startswith("#") else ENTITIES[name]
    return ENTITY.sub(one, s)


def xml_attributes(text):
    found = []
    current = None
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
    expected = []
    for layout in doc.layouts:
        for insert in layout.query("INSERT"):
            for att in insert.attribs:
                expected.append((norm_handle(att.dxf.handle), att.dxf.tag, norm_text(att.dxf.text)))
    print(f"{len(expected)} attributes in the drawing, {len(actual)} in the XML")
    problems = []
    if doc.dxfversion <= "AC1009" and not doc.header.get("$HANDLING", 1):
        # The file has no handles: both readers number the objects their own way.
        if sorted(t for _, *t in expected) != sorted(t for _, *t in actual):
            problems.append(f"XML has {sorted(t for _, *t in actual)}, drawing has {sorted(t for _, *t in expected)}")
        actual = expected = []
    by_handle = {h: (t, v) for h, t, v in actual}
    for h, t, v in expected:
        if h not in by_handle:
            problems.append(f"attribute {h} ({t}) missing from the XML")
        elif by_handle[h] != (t, v):
            problems.append(f"attribute {h}: XML has {by_handle[h]!r}, drawing has {(t, v)!r}")
    for h, t, v in actual:
        entity = doc.entitydb.get(h)
        if entity is None or entity.dxftype() != "ATTRIB":
            problems.append(f"XML attribute {h} ({t}) is not an ATTRIB of the drawing")
        elif (entity.dxf.tag, norm_text(entity.dxf.text)) != (t, v):
            problems.append(f"XML attribute {h}: {(t, v)!r} but the drawing has "
                            f"{(entity.dxf.tag, norm_text(entity.dxf.text))!r}")
    if len(by_handle) != len(actual):
        problems.append("an attribute handle appears twice in the XML")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
