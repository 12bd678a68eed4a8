// Flattening of the drawing information XML: one chapter of the nested document
// is cut out and rewritten so that every record is one element whose child lines
// are all the fields of one table row, with the owner block, layout and drawing
// copied into each record. Both files are handled as lines of text, read once
// into one buffer and walked as views into it.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FlatLayout.h"
#include "engine/cAutoCAD.h"
#include "engine/clsConcat.h"
#include "engine/TextLines.h"
#include "engine/TextSearch.h"
#include "platform/FileSystem.h"

namespace kel {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kFlatDeclaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";

using flat::kInsertFields;

const char* ChapterName(std::int32_t lngChapter) {
    switch (lngChapter) {
        case 1: return "Layers";
        case 2: return "Attributes";
        case 3: return "Attributes";
        case 4: return "Images";
        case 5: return "ExternalReferences";
        case 6: return "Layouts";
        case 7: return "AttributeDefinitions";
        case 8: return "TextLiterals";
        case 9: return "TextLiterals";
        default: return "DrawingInformation";
    }
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Position after the last path separator in strPath, or npos when there is none.
// "/" counts everywhere, and the platform's own separator too.
std::size_t LastSeparator(const std::string& strPath) {
    const char own[] = {'/', PathSeparator(), '\0'};
    return strPath.find_last_of(own);
}

// Replaces strFrom by strTo (letter case ignored) in the markup of a one-line
// element only: its start tag and its end tag. The text between them is left alone.
std::string RenameInMarkup(std::string_view strLine, std::string_view strFrom, std::string_view strTo) {
    std::size_t gt = strLine.find('>');
    if (gt == std::string_view::npos) return ReplaceAllNoCase(strLine, strFrom, strTo);
    std::size_t endTag = strLine.rfind("</");
    if (endTag == std::string_view::npos || endTag <= gt) endTag = strLine.size();
    std::string out = ReplaceAllNoCase(strLine.substr(0, gt + 1), strFrom, strTo);
    out += strLine.substr(gt + 1, endTag - gt - 1);
    out += ReplaceAllNoCase(strLine.substr(endTag), strFrom, strTo);
    return out;
}

// One pass over the source lines; every entry the chapter rules keep is
// written to out, each followed by a line end.
class Flattener {
public:
    Flattener(const std::vector<std::string_view>& lines, std::int32_t lngChapter, std::int32_t lngDrawingField,
              clsConcat& out)
        : lines_(lines), chapter_(lngChapter), field_(lngDrawingField), chapterName_(ChapterName(lngChapter)),
          out_(out) {}

    void Run();
    std::size_t Entries() const { return entries_; }
    bool Failed() const { return failed_; }

private:
    // Reads the next source line as it stands. At the end of the source the read
    // fails: the failure is recorded and strLine keeps its previous text.
    bool ReadNext(std::string_view& strLine) {
        if (pos_ >= lines_.size()) {
            failed_ = true;
            return false;
        }
        strLine = lines_[pos_++];
        return true;
    }

    void DropCustom(std::string& line);
    void TakeDrawing(std::string& line);
    bool BuildContextLine(std::string& line, bool blnLayout);
    std::string WithContext(std::string_view line, bool blnBlock, bool blnLayout) const;
    std::string DrawingLinesEntry() const;
    void DropUntil(std::string& line, const char* strEnd);
    std::string AttributeRecord();
    void ApplyChapterRule(std::string& line);
    void Emit(std::string_view entry) {
        out_.SConcat(entry);
        out_.SConcat(kCrLf);
        ++entries_;
    }

    const std::vector<std::string_view>& lines_;
    std::size_t pos_ = 0;
    const std::int32_t chapter_;
    const std::int32_t field_;
    const std::string chapterName_;
    bool inside_ = false;
    bool failed_ = false;
    std::string_view next_;  // the line most recently read inside a rule
    std::string drawingLine_, drawingPathLine_, blockLine_, layoutLine_;
    std::array<std::string, kInsertFields.size()> insertFields_;
    clsConcat& out_;
    std::size_t entries_ = 0;
};

void Flattener::Run() {
    const std::string startTag = "<" + chapterName_ + ">";
    const std::string endTag = "</" + chapterName_ + ">";
    std::string line;
    while (pos_ < lines_.size()) {
        line.assign(TrimBlanksView(lines_[pos_++]));
        if (ContainsNoCase(line, "<custom>")) {
            DropCustom(line);
        } else if (chapter_ == 0) {
            // The whole document as it stands.
        } else if (ContainsNoCase(line, "<drawinginformation>")) {
            if (field_ > 0) TakeDrawing(line);
        } else if (inside_) {
            ApplyChapterRule(line);
        }
        if (ContainsNoCase(line, startTag)) inside_ = true;
        if (inside_ && !line.empty()) {
            Emit(line);
            if (chapter_ == 7 && ContainsNoCase(line, "<attributedefinition>")) Emit(DrawingLinesEntry());
        }
        if (ContainsNoCase(line, endTag)) break;
    }
}

// Custom data is dropped: its start line and up to 20 more, through the first
// line that closes it. A custom element that closes on its own line takes nothing more.
void Flattener::DropCustom(std::string& line) {
    std::size_t open = FindNoCase(line, "<custom>");
    bool closed = FindNoCase(line, "</custom>", open + 1) != std::string::npos;
    for (int i = 0; i < 20 && !closed; ++i) {
        if (!ReadNext(next_)) break;
        closed = ContainsNoCase(next_, "</custom>");
    }
    line.clear();
}

// The line after the root start holds the drawing's path; it sets the drawing lines.
void Flattener::TakeDrawing(std::string& line) {
    ReadNext(next_);
    std::string text;
    std::size_t at = FindNoCase(next_, flat::kDatabaseFileNameTag);
    if (at != std::string::npos) text = std::string(next_.substr(at + flat::kDatabaseFileNameTag.size()));
    std::size_t cut = text.find("</", 1);
    if (cut == std::string::npos) {
        failed_ = true;
    } else {
        text.resize(cut);
    }
    std::size_t sep = LastSeparator(text);
    std::string fileName = sep == std::string::npos ? text : text.substr(sep + 1);
    switch (field_) {
        case 1:
            drawingLine_ = "<Drawing>" + fileName + "</Drawing>";
            break;
        case 3: {
            std::string folder;
            if (sep == std::string::npos) {
                failed_ = true;
            } else {
                folder = text.substr(0, sep);
            }
            drawingPathLine_ = "<DrawingPath>" + folder + "</DrawingPath>";
            drawingLine_ = "<Drawing>" + fileName + "</Drawing>";
            break;
        }
        default:
            drawingLine_ = "<Drawing>" + text + "</Drawing>";
            break;
    }
    line.clear();
}

// A block start (and, where asked, a layout start) takes the name from the next
// line and becomes the block (layout) line of the records that follow.
bool Flattener::BuildContextLine(std::string& line, bool blnLayout) {
    const bool block = ContainsNoCase(line, "<block>");
    if (!block && !(blnLayout && ContainsNoCase(line, "<layoutname>"))) return false;
    ReadNext(next_);
    std::string name;
    std::size_t at = FindNoCase(next_, flat::kNameTag);
    if (at != std::string::npos) name = ReplaceAllNoCase(next_.substr(at + flat::kNameTag.size()), "</name>", "");
    if (block) {
        blockLine_ = "<Block>" + name + "</Block>";
    } else {
        layoutLine_ = "<Layout>" + name + "</Layout>";
    }
    line.clear();
    return true;
}

std::string Flattener::WithContext(std::string_view line, bool blnBlock, bool blnLayout) const {
    std::string out(line);
    if (!drawingPathLine_.empty()) out += kCrLf + drawingPathLine_;
    if (!drawingLine_.empty()) out += kCrLf + drawingLine_;
    if (blnBlock) out += kCrLf + blockLine_;
    if (blnLayout) out += kCrLf + layoutLine_;
    return out;
}

// The context entry written after each attribute definition start line.
std::string Flattener::DrawingLinesEntry() const {
    std::string out;
    if (!drawingPathLine_.empty()) out += drawingPathLine_ + kCrLf;
    if (!drawingLine_.empty()) out += drawingLine_ + kCrLf;
    return out + "<Block>" + blockLine_ + "</Block>";
}

// Drops the line and the following ones through the first that is exactly strEnd.
void Flattener::DropUntil(std::string& line, const char* strEnd) {
    while (ReadNext(next_)) {
        if (next_ == strEnd) break;
    }
    line.clear();
}

// One attribute record: the context, the insert's remembered fields and the
// attribute's own four lines (handle, element id, tag, value).
std::string Flattener::AttributeRecord() {
    std::string rec = "<Attribute>";
    if (field_ == 3) rec += kCrLf + drawingPathLine_;
    if (field_ >= 1 && field_ <= 5) rec += kCrLf + drawingLine_;
    rec += kCrLf + blockLine_;
    rec += kCrLf + layoutLine_;
    for (const std::string& f : insertFields_) rec += kCrLf + f;
    for (std::size_t i = 0; i < flat::kAttributeLines.size(); ++i) {
        ReadNext(next_);
        std::string s(next_);
        if (i < flat::kRenamedAttributeLines) {
            s = RenameInMarkup(s, "handle", "AttributeHandle");
            s = RenameInMarkup(s, "elementid", "AttributeElementId");
        }
        s = ReplaceAllNoCase(s, "&quot;", "\"");
        s = ReplaceAllNoCase(s, "&apos;", "'");
        rec += kCrLf + s;
    }
    return rec;
}

void Flattener::ApplyChapterRule(std::string& line) {
    switch (chapter_) {
        case 1:
            if (ContainsNoCase(line, "<layername>")) line = WithContext(line, false, false);
            break;
        case 2:
            if (line == "</Block>" || line == "</LayoutName>" || line == "<InsertionPoint>" ||
                line == "</InsertionPoint>") {
                line.clear();
            } else if (BuildContextLine(line, true)) {
            } else if (ContainsNoCase(line, "<insert>")) {
                line = WithContext(line, true, true);
            } else if (ContainsNoCase(line, "<attribute>")) {
                for (std::size_t i = 0; i < flat::kSkippedAttributeLines; ++i) ReadNext(next_);
                line.clear();
            }
            break;
        case 3:
            if (line == "</Block>" || line == "</LayoutName>" || line == "<Insert>" || line == "</Insert>" ||
                line == "<InsertionPoint>" || line == "</InsertionPoint>") {
                line.clear();
            } else if (BuildContextLine(line, true)) {
            } else {
                for (std::size_t i = 0; i < kInsertFields.size(); ++i) {
                    if (ContainsNoCase(line, kInsertFields[i])) {
                        insertFields_[i] = line;
                        line.clear();
                        return;
                    }
                }
                if (ContainsNoCase(line, "<attribute>")) line = AttributeRecord();
            }
            break;
        case 4:
            if (line == "</Block>") {
                line.clear();
            } else if (BuildContextLine(line, false)) {
            } else if (ContainsNoCase(line, "<image>")) {
                line = WithContext(line, true, false);
            }
            break;
        case 5:
            if (ContainsNoCase(line, "<reference>")) line = WithContext(line, false, false);
            break;
        case 6:
            if (ContainsNoCase(line, "<layoutname>")) line = WithContext(line, false, false);
            break;
        case 7: {
            std::size_t at = FindNoCase(line, flat::kBlockNameStart);
            if (at != std::string::npos) {
                blockLine_ = RemoveAll(line.substr(at + flat::kBlockNameStart.size()), "'>");
                line.clear();
            } else if (ContainsNoCase(line, "</block>")) {
                line.clear();
            }
            break;
        }
        case 8:
        case 9: {
            const char* keep = chapter_ == 8 ? "<text>" : "<mtext>";
            const char* drop = chapter_ == 8 ? "<mtext>" : "<text>";
            const char* dropEnd = chapter_ == 8 ? "</MText>" : "</Text>";
            if (line == "</Block>" || line == "</LayoutName>") {
                line.clear();
            } else if (BuildContextLine(line, true)) {
            } else if (ContainsNoCase(line, keep)) {
                line = WithContext(line, true, true);
            } else if (ContainsNoCase(line, drop)) {
                DropUntil(line, dropEnd);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

std::int16_t cAutoCAD::FlattenXMLfile(const std::string& strSourceXMLFile, const std::string& strTargetXMLFile,
                                      std::int32_t lngChapter) {
    std::int32_t lngDrawingField = 0;
    return FlattenXMLfile(strSourceXMLFile, strTargetXMLFile, lngChapter, lngDrawingField);
}

std::int16_t cAutoCAD::FlattenXMLfile(const std::string& strSourceXMLFile, const std::string& strTargetXMLFile,
                                      std::int32_t lngChapter, std::int32_t& lngDrawingField) {
    if (lngDrawingField < 0 || lngDrawingField > 5) lngDrawingField = 0;
    if (!FileExists(strSourceXMLFile)) return -1;
    if (lngChapter != 7) NormalizeXMLLines(strSourceXMLFile);

    std::string err;
    std::string text;
    std::vector<std::string_view> lines;
    ReadTextLineViews(strSourceXMLFile, text, lines);

    clsConcat out;
    out.SConcat(kFlatDeclaration);
    out.SConcat(kCrLf);
    out.SConcat(kCrLf);
    Flattener flat(lines, lngChapter, lngDrawingField, out);
    flat.Run();
    bool failed = flat.Failed() || flat.Entries() == 0;
    std::vector<std::string_view>().swap(lines);
    std::string().swap(text);
    if (!WriteWorkFile(strTargetXMLFile, out.GetString(), err)) failed = true;
    return failed ? -2 : 1;
}

// Rewrites the markup the flattener cannot take as it stands: an empty element
// becomes a start tag directly followed by its end tag, and a start tag with a
// name attribute becomes the bare start tag followed by a <Name> line. Text
// between tags is never touched. A file that cannot be read stays as it is.
void cAutoCAD::NormalizeXMLLines(const std::string& strFile) {
    std::string text;
    std::vector<std::string_view> lines;
    if (!ReadTextLineViews(strFile, text, lines)) return;
    clsConcat out;
    for (const std::string_view line : lines) {
        const std::string_view trimmed = TrimBlanksView(line);
        const bool markup = !trimmed.empty() && trimmed.front() == '<';
        const std::size_t slash = line.find(" />");
        const std::size_t nameAt = FindNoCase(line, " name=");
        const std::size_t gt = line.find('>');
        if (markup && slash != std::string_view::npos && EndsWith(trimmed, "/>")) {
            const std::string tag = RemoveAll(line.substr(0, slash), "<");
            out.SConcat("<");
            out.SConcat(tag);
            out.SConcat("></");
            out.SConcat(tag);
            out.SConcat(">");
        } else if (markup && nameAt != std::string_view::npos && (gt == std::string_view::npos || nameAt < gt)) {
            const std::string name = RemoveAll(RemoveAll(RemoveAll(line.substr(nameAt + 6), "\""), "'"), ">");
            out.SConcat(line.substr(0, nameAt));
            out.SConcat(">");
            out.SConcat(kCrLf);
            out.SConcat("<Name>");
            out.SConcat(name);
            out.SConcat("</Name>");
        } else {
            out.SConcat(line);
        }
        out.SConcat(kCrLf);
    }
    out.SConcat(kCrLf);
    std::vector<std::string_view>().swap(lines);
    std::string().swap(text);
    std::string err;
    WriteWorkFile(strFile, out.GetString(), err);
}

}  // namespace kel
