// Inputs that once made a fuzz harness fail, replayed through the same code in
// the ordinary (and the sanitizer) test build.
#include <gtest/gtest.h>

#include <filesystem>

#include "component/dxf/DxfDocument.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, DxfInputsOpenOrAreRefusedAndSaveSoundly) {
    const fs::path folder = fs::path(KEL_SOURCE_DIR) / "fuzz" / "regressions" / "dxf";
    int replayed = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string status;
        auto doc = dxf::DxfDocument::Open(test::ReadFile(entry.path().string()), status);
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
