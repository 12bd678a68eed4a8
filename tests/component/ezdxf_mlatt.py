"""The multi-line copies of a drawing's attributes as ezdxf reads them.

Usage: ezdxf_mlatt.py DRAWING [HANDLE...]
Prints, tab-separated:
  M <attrib> <dictionary> <record> <text>  for every ATTRIB whose extension
                                             dictionary holds ACAD_MLATT
  H <handle> <0|1>                           whether each HANDLE is in the drawing
  R <count>                                  references to a handle the drawing lacks
  X <count>                                  errors the auditor found
"""
import sys

import ezdxf

doc = ezdxf.readfile(sys.argv[1])
db = doc.entitydb


def embedded_text(tags):
    tags = list(tags)
    start = [i for i, t in enumerate(tags) if t.code == 1 and t.value == "Embedded Object"]
    text = ""
    for t in tags[start[0] + 1:] if start else []:
        if t.code in (1, 3):
            text += t.value
        if t.code == 1:
            break
    return text


for e in list(db.values()):
    if e.dxftype() != "ATTRIB" or not e.has_extension_dict:
        continue
    d = e.get_extension_dict().dictionary
    x = d.get("ACAD_MLATT")
    if x is not None:
        print("M\t%s\t%s\t%s\t%s" % (e.dxf.handle, d.dxf.handle, x.dxf.handle, embedded_text(x.tags)))
for h in sys.argv[2:]:
    print("H\t%s\t%d" % (h, 1 if db.get(h) is not None else 0))
# Owners and reactors of every object and entity must name something that exists.
missing = 0
for e in list(db.values()):
    owner = e.dxf.get("owner")
    if owner and owner != "0" and db.get(owner) is None:
        missing += 1
    for r in e.get_reactors() if hasattr(e, "get_reactors") else []:
        if db.get(r) is None:
            missing += 1
print("R\t%d" % missing)
print("X\t%d" % len(doc.audit().errors))
