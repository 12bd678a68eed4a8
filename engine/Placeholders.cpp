#include "engine/Placeholders.h"

#include <charconv>
#include <filesystem>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/LocalTime.h"

namespace kel {

namespace {

namespace fs = std::filesystem;

// One placeholder: its name and the fields after colons.
struct Parsed {
    std::string name;
    std::vector<std::string> fields;
};

Parsed Split(const std::string& strInside) {
    Parsed p;
    // A date format or a tag is all that follows the first colon (a format may hold colons).
    const std::size_t first = strInside.find(':');
    const std::string head = strInside.substr(0, first);
    if ((head == "date" || head == "attr") && first != std::string::npos) {
        p.name = head;
        p.fields.push_back(strInside.substr(first + 1));
        return p;
    }
    std::size_t at = 0;
    for (;;) {
        const std::size_t colon = strInside.find(':', at);
        const std::string part = strInside.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        if (p.name.empty() && at == 0) {
            p.name = part;
        } else {
            p.fields.push_back(part);
        }
        if (colon == std::string::npos) break;
        at = colon + 1;
    }
    return p;
}

bool Number(const std::string& strText, std::int64_t& value) {
    const char* end = strText.data() + strText.size();
    const auto [ptr, ec] = std::from_chars(strText.data(), end, value);
    return !strText.empty() && ec == std::errc() && ptr == end;
}

// "" for a known, well-formed placeholder.
std::string Check(const Parsed& p) {
    const std::string whole = "{" + p.name + (p.fields.empty() ? "" : ":...") + "}";
    if (p.name == "file" || p.name == "file.ext" || p.name == "folder" || p.name == "path" || p.name == "count") {
        return p.fields.empty() ? "" : "{" + p.name + "} takes no fields";
    }
    if (p.name == "n") {
        if (p.fields.empty()) return "";
        if (p.fields.size() != 3) return "{n:START:STEP:WIDTH} needs three numbers";
        std::int64_t v = 0;
        for (const std::string& f : p.fields) {
            if (!Number(f, v)) return "{n:START:STEP:WIDTH} needs three numbers, not '" + f + "'";
        }
        if (!Number(p.fields[2], v) || v < 0 || v > 20) return "the WIDTH of {n:...} is from 0 to 20";
        return "";
    }
    if (p.name == "date") return p.fields.size() <= 1 ? "" : "{date:FORMAT} takes one format";
    if (p.name == "attr") return p.fields.size() == 1 && !p.fields[0].empty() ? "" : "{attr:TAG} needs a tag";
    return "unknown placeholder {" + p.name + "}";
}

std::string Date(const std::string& strFormat, std::time_t now) {
    const std::tm t = LocalTime(now);
    const auto two = [](int v) { return std::string(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10); };
    const std::string year = std::to_string(t.tm_year + 1900);
    std::string out;
    const std::string format = strFormat.empty() ? "yyyy-mm-dd" : strFormat;
    for (std::size_t i = 0; i < format.size();) {
        const auto at = [&](const char* token) { return format.compare(i, std::char_traits<char>::length(token), token) == 0; };
        if (at("yyyy")) {
            out += year, i += 4;
        } else if (at("yy")) {
            out += year.substr(year.size() - 2), i += 2;
        } else if (at("mm")) {
            out += two(t.tm_mon + 1), i += 2;
        } else if (at("dd")) {
            out += two(t.tm_mday), i += 2;
        } else if (at("HH")) {
            out += two(t.tm_hour), i += 2;
        } else if (at("MM")) {
            out += two(t.tm_min), i += 2;
        } else if (at("SS")) {
            out += two(t.tm_sec), i += 2;
        } else {
            out += format[i++];
        }
    }
    return out;
}

std::string RelativePath(const PlaceholderContext& c) {
    std::error_code ec;
    const fs::path drawing = fs::absolute(PathFromUtf8(c.strDrawing), ec);
    const fs::path root = c.strRoot.empty() ? fs::current_path(ec) : fs::absolute(PathFromUtf8(c.strRoot), ec);
    const fs::path rel = drawing.lexically_normal().lexically_relative(root.lexically_normal());
    return rel.empty() ? c.strDrawing : PathToUtf8(rel);
}

std::string Value(const Parsed& p, const PlaceholderContext& c,
                  const std::function<bool(const std::string&, std::string&)>& attribute) {
    const fs::path path = PathFromUtf8(c.strDrawing);
    if (p.name == "file") return PathToUtf8(path.stem());
    if (p.name == "file.ext") return PathToUtf8(path.filename());
    if (p.name == "folder") return PathToUtf8(path.parent_path().filename());
    if (p.name == "path") return RelativePath(c);
    if (p.name == "count") return std::to_string(c.count);
    if (p.name == "n") {
        std::int64_t start = 1, step = 1, width = 0;
        if (p.fields.size() == 3) Number(p.fields[0], start), Number(p.fields[1], step), Number(p.fields[2], width);
        std::string digits = std::to_string(start + step * c.number);
        const bool negative = !digits.empty() && digits[0] == '-';
        if (negative) digits.erase(0, 1);
        if (static_cast<std::int64_t>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
        return (negative ? "-" : "") + digits;
    }
    if (p.name == "date") return Date(p.fields.empty() ? std::string() : p.fields[0], c.now);
    if (p.name == "attr") {
        std::string value;
        return attribute && attribute(p.fields[0], value) ? value : std::string();
    }
    return {};
}

// Walks strText: literal text to out, each placeholder to place(). False with
// why at the first fault.
bool Walk(const std::string& strText, std::string& out, const std::function<void(const Parsed&)>& place,
          std::string& strWhy) {
    for (std::size_t i = 0; i < strText.size(); ++i) {
        const char c = strText[i];
        if ((c == '{' || c == '}') && i + 1 < strText.size() && strText[i + 1] == c) {
            out += c;
            ++i;
        } else if (c == '}') {
            strWhy = "a '}' without its '{' (write }} for a brace)";
            return false;
        } else if (c == '{') {
            const std::size_t close = strText.find('}', i + 1);
            const std::size_t open = strText.find('{', i + 1);
            if (close == std::string::npos || (open != std::string::npos && open < close)) {
                strWhy = "a '{' without its '}' (write {{ for a brace)";
                return false;
            }
            const Parsed p = Split(strText.substr(i + 1, close - i - 1));
            strWhy = Check(p);
            if (!strWhy.empty()) return false;
            place(p);
            i = close;
        } else {
            out += c;
        }
    }
    return true;
}

}  // namespace

std::string CheckPlaceholders(const std::string& strText) {
    std::string out, why;
    Walk(strText, out, [](const Parsed&) {}, why);
    return why;
}

std::string ExpandPlaceholders(const std::string& strText, const PlaceholderContext& context,
                               const std::function<bool(const std::string&, std::string&)>& attribute) {
    std::string out, why;
    Walk(strText, out, [&](const Parsed& p) { out += Value(p, context, attribute); }, why);
    return out;
}

}  // namespace kel
