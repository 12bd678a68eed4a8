#include "DxfTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "component/DrawingFormat.h"
#include "platform/FileSystem.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kel::test {

namespace fs = std::filesystem;

std::vector<std::string> CorpusDxfFiles() {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(CorpusPath("dxf"))) {
        if (e.is_regular_file() && e.path().extension() == ".dxf") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> EzdxfDump(const std::vector<std::string>& files, bool audit) {
    TempDir dir;
    std::string cmd = std::string(KEL_PYTHON) + " '" + KEL_SOURCE_DIR + "/tests/component/ezdxf_dump.py'";
    if (audit) cmd += " --audit";
    for (const std::string& f : files) cmd += " '" + f + "'";
    EXPECT_EQ(std::system((cmd + " > '" + dir.File("dump.txt") + "'").c_str()), 0) << cmd;
    std::istringstream in(ReadFile(dir.File("dump.txt")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> LinesOf(const std::vector<std::string>& dump, const std::string& file,
                                 const std::string& prefix) {
    std::vector<std::string> out;
    bool inside = false;
    for (const std::string& line : dump) {
        if (line.rfind("F\t", 0) == 0) {
            inside = line.substr(2) == file;
            continue;
        }
        if (inside && line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
}

std::string LineDiff(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::string> sa(a), sb(b), onlyA, onlyB;
    std::sort(sa.begin(), sa.end());
    std::sort(sb.begin(), sb.end());
    std::set_difference(sa.begin(), sa.end(), sb.begin(), sb.end(), std::back_inserter(onlyA));
    std::set_difference(sb.begin(), sb.end(), sa.begin(), sa.end(), std::back_inserter(onlyB));
    std::string out;
    for (std::size_t i = 0; i < onlyA.size() && i < 4; ++i) out += "- " + onlyA[i] + "\n";
    for (std::size_t i = 0; i < onlyB.size() && i < 4; ++i) out += "+ " + onlyB[i] + "\n";
    return out;
}

std::string Field(const std::string& line, int i) {
    std::size_t b = 0;
    for (int k = 0; k < i && b != std::string::npos; ++k) b = line.find('\t', b) + 1;
    return line.substr(b, line.find('\t', b) - b);
}

std::string ValueIn(const std::vector<std::string>& attributeLines, const std::string& handle) {
    for (const std::string& line : attributeLines) {
        if (Field(line, 5) == handle) return Field(line, 7);
    }
    return "<none>";
}

std::vector<std::string> AttributeLines(const DrawingInfo& info) {
    std::vector<std::string> lines;
    for (const BlockInfo& b : info.blocks) {
        for (const InsertInfo& ins : b.inserts) {
            for (const AttributeInfo& a : ins.attributes) {
                lines.push_back("A\t" + EscapeField(b.name) + "\t" + EscapeField(ins.name) + "\t" + ins.handle + "\t" +
                                EscapeField(ins.layer) + "\t" + a.handle + "\t" + EscapeField(a.tag) + "\t" +
                                EscapeField(a.value));
            }
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

DrawingInfo DescribeFile(const std::string& path) {
    std::string status;
    auto doc = OpenDrawingFile(path, status);
    EXPECT_TRUE(doc) << path << ": " << status;
    return doc ? doc->Describe() : DrawingInfo();
}

}  // namespace kel::test
