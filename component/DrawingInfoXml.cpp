#include "component/DrawingInfoXml.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace kel {
namespace {

constexpr const char* kEol = "\r\n";

// The bytes AppendEscaped writes as references.
constexpr std::array<bool, 256> kEscaped = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c) table[c] = true;
    for (unsigned char c : {'&', '<', '>', '"', '\'', '=', '\x7F'}) table[c] = true;
    return table;
}();

// Appends text with the characters that mean something to XML (and the
// equals sign, see below) written as references; runs of other characters go
// in one append each.
void AppendEscaped(std::string& out, std::string_view text) {
    std::size_t plain = 0;  // the first character not yet appended
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!kEscaped[c]) continue;
        const char* reference = nullptr;
        switch (c) {
            case '&': reference = "&amp;"; break;
            case '<': reference = "&lt;"; break;
            case '>': reference = "&gt;"; break;
            case '"': reference = "&quot;"; break;
            case '\'': reference = "&apos;"; break;
            // The reader rewrites any line holding " name=" as a block start line, so an
            // equals sign in a text must not appear as itself.
            case '=': reference = "&#61;"; break;
            default: break;  // a control character: a numeric reference
        }
        out.append(text, plain, i - plain);
        if (reference) {
            out += reference;
        } else {
            out += "&#" + std::to_string(static_cast<int>(c)) + ';';
        }
        plain = i + 1;
    }
    out.append(text, plain);
}

void Element(std::string& out, const char* name, const std::string& text) {
    out += '<';
    out += name;
    out += '>';
    AppendEscaped(out, text);
    out += "</";
    out += name;
    out += '>';
    out += kEol;
}

void Line(std::string& out, const char* text) {
    out += text;
    out += kEol;
}

std::string Number(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

}  // namespace

std::string EscapeXmlText(const std::string& strText) {
    std::string out;
    out.reserve(strText.size() + 8);
    AppendEscaped(out, strText);
    return out;
}

namespace {

void AppendInsert(std::string& out, const InsertInfo& ins) {
    Line(out, "<Insert>");
    Element(out, "name", ins.name);
    Element(out, "handle", ins.handle);
    Element(out, "elementid", std::to_string(ins.elementId));
    Element(out, "layername", ins.layer);
    Line(out, "<InsertionPoint>");
    Element(out, "x", Number(ins.x));
    Element(out, "y", Number(ins.y));
    Element(out, "z", Number(ins.z));
    Line(out, "</InsertionPoint>");
    Element(out, "numberattributes", std::to_string(ins.attributes.size()));
    Element(out, "numberconstantattributes", std::to_string(ins.numberConstantAttributes));
    Element(out, "rows", std::to_string(ins.rows));
    Element(out, "columns", std::to_string(ins.columns));
    for (const AttributeInfo& att : ins.attributes) {
        Line(out, "<Attribute>");
        Element(out, "handle", att.handle);
        Element(out, "elementid", std::to_string(att.elementId));
        Element(out, "tag", att.tag);
        Element(out, "value", att.value);
        Line(out, "</Attribute>");
    }
    Line(out, "</Insert>");
}

// A stretch is closed after the insert that takes it past this size.
constexpr std::size_t kStretch = 1 << 20;

}  // namespace

DrawingInfoXmlPieces::DrawingInfoXmlPieces(const DrawingInfo& info, bool blnAttributes)
    : info_(info), attributes_(blnAttributes) {}

std::string_view DrawingInfoXmlPieces::Next() {
    out_.clear();
    if (done_) return out_;
    if (!started_) {
        started_ = true;
        Line(out_, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        Line(out_, "<DrawingInformation>");
        Element(out_, "databasefilename", info_.path);
        if (attributes_) Line(out_, "<Attributes>");
    }
    for (; attributes_ && block_ < info_.blocks.size(); ++block_, insert_ = 0) {
        const BlockInfo& block = info_.blocks[block_];
        if (insert_ == 0) {
            out_ += "<block name='" + EscapeXmlText(block.name) + "'>" + kEol;
            out_ += "<LayoutName name='" + EscapeXmlText(block.layoutName) + "'>" + kEol;
        }
        while (insert_ < block.inserts.size()) {
            AppendInsert(out_, block.inserts[insert_++]);
            // The next stretch goes on in this block.
            if (out_.size() >= kStretch && insert_ < block.inserts.size()) return out_;
        }
        Line(out_, "</LayoutName>");
        Line(out_, "</Block>");
        if (out_.size() >= kStretch) {
            ++block_;
            insert_ = 0;
            return out_;
        }
    }
    if (attributes_) Line(out_, "</Attributes>");
    Line(out_, "</DrawingInformation>");
    done_ = true;
    return out_;
}

std::string DrawingInfoToXml(const DrawingInfo& info, bool blnAttributes) {
    std::string out;
    // Room for the texts and about as much markup around each, so that the
    // document is not copied as it grows.
    std::size_t size = 256 + info.path.size();
    for (const BlockInfo& block : info.blocks) {
        for (const InsertInfo& ins : block.inserts) {
            size += 400 + ins.name.size() + ins.layer.size();
            for (const AttributeInfo& att : ins.attributes) size += 140 + att.tag.size() + att.value.size();
        }
    }
    out.reserve(size);
    DrawingInfoXmlPieces pieces(info, blnAttributes);
    for (std::string_view piece = pieces.Next(); !piece.empty(); piece = pieces.Next()) out += piece;
    return out;
}

}  // namespace kel
