// Inputs that once made a fuzz harness fail, replayed through the same code in
// the ordinary (and the sanitizer) test build: DXF inputs read whole and a
// block at a time, opened, described and saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "component/dxf/DxfDocument.h"
#include "component/dxf/DxfModel.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

// Read a block at a time, in blocks of a few sizes, an input indexes as when read whole.
void ExpectSameInBlocks(const std::string& bytes, const std::string& what) {
    dxf::DxfModel whole;
    std::string err;
    bool notDxf = false;
    const bool ok = dxf::ReadDxfModel(bytes, whole, err, notDxf);
    for (const std::size_t block : {1, 7, 33, 64}) {
        const std::string label = what + ", blocks of " + std::to_string(block);
        std::size_t at = std::min<std::size_t>(32, bytes.size());
        dxf::DxfTokenizer tok(
            bytes.substr(0, at),
            [&](char* buf, std::size_t n, std::size_t& got, std::string&) {
                got = std::min({n, bytes.size() - at, std::size_t{5}});
                std::memcpy(buf, bytes.data() + at, got);
                at += got;
                return true;
            },
            block);
        dxf::DxfModel blocks;
        std::string blockErr;
        EXPECT_EQ(dxf::ReadDxfModel(tok, blocks, blockErr, notDxf), ok) << label;
        EXPECT_EQ(blockErr, err) << label;
        EXPECT_EQ(blocks.attribs.size(), whole.attribs.size()) << label;
        EXPECT_EQ(blocks.acadVer, whole.acadVer) << label;
    }
}

TEST(FuzzRegressions, DxfInputsOpenOrAreRefusedAndSaveSoundly) {
    const fs::path folder = fs::path(KEL_SOURCE_DIR) / "fuzz" / "regressions" / "dxf";
    int replayed = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string status;
        const std::string bytes = test::ReadFile(entry.path().string());
        ExpectSameInBlocks(bytes, entry.path().string());
        auto doc = dxf::DxfDocument::Open(bytes, status);
        ++replayed;
        if (!doc) {
            EXPECT_FALSE(status.empty()) << entry.path();
            continue;
        }
        doc->Describe();
        std::string again;
        EXPECT_NE(dxf::DxfDocument::Open(doc->Serialize(), again), nullptr) << entry.path() << ": " << again;
    }
    EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace kel
