"""Lists the attributes of every block insert of DXF files as ezdxf reads them,
one tab-separated line each: file number (0 for the first file named),
owner block, insert handle, insert name, layer, attribute handle, tag, value
(for a multi-line attribute the plain text of its MTEXT).
Backslash, tab and line breaks are escaped."""
import sys

import ezdxf


def esc(text):
    return str(text).replace('\\', '\\\\').replace('\t', '\\t').replace('\r', '\\r').replace('\n', '\\n')


def main(paths):
    out = sys.stdout
    for number, path in enumerate(paths):
        doc = ezdxf.readfile(path)
        for block in doc.blocks:
            for e in block:
                if e.dxftype() != 'INSERT':
                    continue
                for a in e.attribs:
                    # A multi-line attribute's value is the text of its embedded MTEXT.
                    text = a.virtual_mtext_entity().plain_text(split=False) if a.has_embedded_mtext_entity \
                        else a.dxf.text
                    out.write('\t'.join(esc(v) for v in (
                        number, block.name, e.dxf.handle, e.dxf.name, e.dxf.layer, a.dxf.handle, a.dxf.tag,
                        text)) + '\n')


if __name__ == '__main__':
    main(sys.argv[1:])
