"""Prints what an independent DXF reader sees in drawings, one fact per line.

usage: ezdxf_dump.py [--audit] FILE...

For each FILE:
  F <path>
  L <block name> <layout name>                 one line per layout
  A <owner block> <insert name> <insert handle> <layer> <attrib handle> <tag> <value>
  E <handle> <type> <attributes>               every entity, attribute texts left out
  X <error count>                              with --audit: the auditor's findings
Fields are separated by tabs; backslash, tab, CR and LF in texts are escaped.
"""
import sys

import ezdxf
from ezdxf.lldxf.encoding import decode_dxf_unicode, has_dxf_unicode


def esc(text):
    return (str(text).replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\r", "\\r").replace("\n", "\\n"))


def attrib_value(att):
    if att.has_embedded_mtext_entity:
        text = att.virtual_mtext_entity().plain_text()
    else:
        text = att.dxf.text
    # The binary loader leaves \U+XXXX escapes that the text loader resolves.
    return decode_dxf_unicode(text) if has_dxf_unicode(text) else text


def entity_line(e):
    attribs = e.dxf.all_existing_dxf_attribs()
    if e.dxftype() in ("ATTRIB", "INSERT"):
        attribs.pop("text", None)
        attribs.pop("attribs_follow", None)
    items = sorted((k, repr(v)) for k, v in attribs.items() if k != "handle")
    return "E\t%s\t%s\t%s" % (e.dxf.get("handle", ""), e.dxftype(), esc(items))


def dump(path, audit, out):
    doc = ezdxf.readfile(path)
    out.append("F\t" + path)
    for layout in doc.layouts:
        out.append("L\t%s\t%s" % (esc(layout.block_record.dxf.name), esc(layout.name)))
    for block in doc.blocks:
        owner = block.name
        for e in block:
            out.append(entity_line(e))
            if e.dxftype() != "INSERT":
                continue
            for att in e.attribs:
                out.append(entity_line(att))
                out.append("A\t" + "\t".join(esc(x) for x in (
                    owner, e.dxf.name, e.dxf.get("handle", ""), e.dxf.layer,
                    att.dxf.get("handle", ""), att.dxf.tag, attrib_value(att))))
    if audit:
        auditor = doc.audit()
        out.append("X\t%d" % len(auditor.errors))


def main(argv):
    audit = "--audit" in argv
    out = []
    for path in (a for a in argv if a != "--audit"):
        try:
            dump(path, audit, out)
        except Exception as exc:  # reported, not raised: the caller compares lines
            out.append("F\t" + path)
            out.append("!\t" + esc(repr(exc)))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
