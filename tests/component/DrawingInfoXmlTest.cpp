// A large drawing's information XML is written a stretch at a time: the
// stretches, one after the other, must make the document that the same
// blocks and inserts make when each is written on its own.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "component/DrawingInfoXml.h"

namespace kel {
namespace {

std::string Between(const std::string& text, std::string_view after, std::string_view before) {
    const std::size_t from = text.find(after);
    const std::size_t to = text.rfind(before);
    EXPECT_NE(from, std::string::npos);
    EXPECT_NE(to, std::string::npos);
    return text.substr(from + after.size(), to - from - after.size());
}

TEST(DrawingInfoXml, ALargeDocumentComesInStretchesThatMakeTheWholeDocument) {
    DrawingInfo info;
    info.path = "C:\\drawings\\large & <grown>.dwg";
    const auto block = [](const std::string& name, int inserts) {
        BlockInfo b{name, name == "*Model_Space" ? "Model" : "", {}};
        for (int i = 0; i < inserts; ++i) {
            InsertInfo ins{"TITLE", std::to_string(0x100 + i), static_cast<std::uint64_t>(0x100 + i), "0",
                           1.5 * i, -2.0, 0, i % 3, 1, 1, {}};
            for (int a = 0; a < 3; ++a) {
                ins.attributes.push_back({std::to_string(0x10000 + 3 * i + a), static_cast<std::uint64_t>(0x10000 + 3 * i + a),
                                          "TAG" + std::to_string(a), std::string(60 + a, static_cast<char>('a' + i % 26))});
            }
            b.inserts.push_back(ins);
        }
        return b;
    };
    // A block split across stretches, an empty one, small ones ending stretches.
    info.blocks = {block("*Model_Space", 9000), block("EMPTY", 0), block("*Paper_Space", 4)};
    for (int i = 0; i < 30; ++i) info.blocks.push_back(block("B" + std::to_string(i), 400));

    // The expected document, from documents of one block or one insert.
    DrawingInfo empty = info;
    empty.blocks.clear();
    const std::string bare = DrawingInfoToXml(empty, true);
    const std::string head = bare.substr(0, bare.find("<Attributes>\r\n") + 14);
    std::string expected = head;
    for (const BlockInfo& b : info.blocks) {
        DrawingInfo one = empty;
        one.blocks = {BlockInfo{b.name, b.layoutName, {}}};
        const std::string shell = Between(DrawingInfoToXml(one, true), "<Attributes>\r\n", "</Attributes>\r\n");
        const std::size_t close = shell.find("</LayoutName>");
        expected += shell.substr(0, close);
        for (const InsertInfo& ins : b.inserts) {
            one.blocks[0].inserts = {ins};
            // The insert's lines: behind its block's LayoutName line.
            const std::string inner = Between(DrawingInfoToXml(one, true), "'>\r\n<LayoutName", "</LayoutName>");
            expected += inner.substr(inner.find("\r\n") + 2);
        }
        expected += shell.substr(close);
    }
    expected += "</Attributes>\r\n</DrawingInformation>\r\n";

    DrawingInfoXmlPieces pieces(info, true);
    std::string whole;
    int stretches = 0;
    for (std::string_view piece = pieces.Next(); !piece.empty(); piece = pieces.Next()) {
        ++stretches;
        EXPECT_EQ(piece.substr(piece.size() - 2), "\r\n");
        whole += piece;
    }
    EXPECT_TRUE(pieces.Next().empty());
    EXPECT_GT(stretches, 4);
    EXPECT_EQ(whole.size(), expected.size());
    EXPECT_TRUE(whole == expected);
    EXPECT_TRUE(DrawingInfoToXml(info, true) == expected);
}

}  // namespace
}  // namespace kel
