"""Lists the attributes of every block insert of a DXF file as ezdxf reads it,
one tab-separated line each: owner block, insert handle, insert name, layer,
attribute handle, tag, value. Backslash, tab and line breaks are escaped."""
import sys

import ezdxf


def esc(text):
    return str(text).replace('\\', '\\\\').replace('\t', '\\t').replace('\r', '\\r').replace('\n', '\\n')


def main(path):
    doc = ezdxf.readfile(path)
    out = sys.stdout
    for block in doc.blocks:
        for e in block:
            if e.dxftype() != 'INSERT':
                continue
            for a in e.attribs:
                out.write('\t'.join(esc(v) for v in (
                    block.name, e.dxf.handle, e.dxf.name, e.dxf.layer, a.dxf.handle, a.dxf.tag, a.dxf.text)) + '\n')


if __name__ == '__main__':
    main(sys.argv[1])
