// The third-party drawings some tests read. They live outside the project (see
// README, "Tests"); a test that needs them starts with KEL_NEED_CORPUS(), which
// skips it with one message naming the folder when the folder is absent, or
// fails it when KEL_REQUIRE_CORPUS=1 is set (as CI does).
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace kel::test {

// The corpus folder: $KEL_CORPUS when set and not empty, else the folder fixed
// at build time (corpus/ in the shared folder beside the sources).
const std::string& CorpusDir();

// Path of a file below the corpus folder.
std::string CorpusPath(const std::string& relative);

// Whole content of a file below the corpus folder; a failed test and "" when
// it cannot be read.
std::string ReadCorpusFile(const std::string& relative);

// "" when the corpus folder holds its MANIFEST.tsv; otherwise the message a
// test that needs it skips (or fails) with.
std::string MissingCorpus();

// True when KEL_REQUIRE_CORPUS is set to 1: a missing corpus is a failure.
bool CorpusRequired();

}  // namespace kel::test

#define KEL_NEED_CORPUS()                                                       \
    do {                                                                        \
        const std::string kelMissingCorpus_ = ::kel::test::MissingCorpus();     \
        if (!kelMissingCorpus_.empty()) {                                       \
            if (::kel::test::CorpusRequired()) FAIL() << kelMissingCorpus_;     \
            GTEST_SKIP() << kelMissingCorpus_;                                  \
        }                                                                       \
    } while (false)

// Skips a test that checks a drawing with the independent DXF reader where
// that reader cannot run: the Windows build's tests run without it (KEL_PYTHON
// is empty there); the Linux build runs them.
#define KEL_NEED_INDEPENDENT_READER()                                                       \
    do {                                                                                    \
        if (std::string(KEL_PYTHON).empty()) GTEST_SKIP() << "no independent DXF reader here"; \
    } while (false)
