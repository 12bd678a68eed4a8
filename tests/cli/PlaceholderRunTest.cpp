// Placeholders over a whole run: numbers follow the list, drawings that fail
// keep theirs, and parallel runs and slices number as one run does.
#include "tests/cli/CliTest.h"

namespace kel::cli {
namespace {

const std::string kExample = KEL_SOURCE_DIR "/examples/title-r2000.dxf";

class PlaceholderRunTest : public CliTest {
protected:
    // Six drawings, the third of which cannot be read; the list names them in order.
    std::string Lay(const std::string& templateText) {
        fs::remove_all(dir.File("work"));
        const std::string tmpl = dir.Write("work/t.txt", templateText);
        std::string list;
        for (int i = 1; i <= 6; ++i) {
            const std::string rel = "work/sheets/S-" + std::to_string(i) + ".dxf";
            dir.Write(rel, i == 3 ? std::string("not a drawing\n") : test::ReadFile(kExample));
            list += dir.File(rel) + "," + tmpl + "\r\n";
        }
        return dir.Write("work/list.dlf", list);
    }
    // DWGNO of each drawing, as --show prints it.
    std::vector<std::string> Numbers() {
        std::vector<std::string> values;
        for (int i = 1; i <= 6; ++i) {
            if (i == 3) continue;
            for (const std::string& line : SplitLines(Batch("--show " + Q(dir.File("work/sheets/S-" + std::to_string(i) + ".dxf"))).out)) {
                if (line.find(",DWGNO,") != std::string::npos && line.find(",Model,") != std::string::npos) {
                    values.push_back(line.substr(line.rfind(',') + 1));
                }
            }
        }
        return values;
    }
};

TEST_F(PlaceholderRunTest, NumbersFollowTheListWhateverTheWorkersOrSlices) {
    const std::string tmpl = "*INPUT\r\nPLACEHOLDERS: ON\r\n*ATTRIBUTE_TAGS\r\nDWGNO,r,{file}-{n:1:1:2}/{count} was {attr:DWGNO}\r\n";
    const std::vector<std::string> expected = {"S-1-01/6 was A-102", "S-2-02/6 was A-102", "S-4-04/6 was A-102",
                                               "S-5-05/6 was A-102", "S-6-06/6 was A-102"};
    for (const char* jobs : {"-j 1", "-j 3"}) {
        EXPECT_EQ(Batch(std::string("-q ") + jobs + " " + Q(Lay(tmpl))).exitCode, 1) << "the third drawing fails and keeps its number";
        EXPECT_EQ(Numbers(), expected) << jobs;
    }
    const std::string list = Lay(tmpl);
    for (int k = 1; k <= 2; ++k) Batch("-q --shard " + std::to_string(k) + "/2 " + Q(list));
    EXPECT_EQ(Numbers(), expected) << "slices number as the whole list";
    EXPECT_NE(test::ReadFile(home + "/audit-1-of-2.log").find("with 'S-"), std::string::npos) << "values as written";

    // Without the key braces are text; a bad placeholder stops the run before any drawing.
    Batch("-q " + Q(Lay("*INPUT\r\n*ATTRIBUTE_TAGS\r\nDWGNO,r,{file} {n}\r\n")));
    EXPECT_EQ(Numbers(), std::vector<std::string>(5, "{file} {n}"));
    const Result r = Batch("-q -t " + Q(dir.Write("work/bad.txt", "*INPUT\r\nPLACEHOLDERS: ON\r\n*ATTRIBUTE_TAGS\r\nDWGNO,r,{n:1}\r\n")) +
                           " " + Q(dir.File("work/sheets/S-1.dxf")));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Template line 4: {n:START:STEP:WIDTH} needs three numbers."), std::string::npos) << r.err;
    EXPECT_EQ(Numbers(), std::vector<std::string>(5, "{file} {n}")) << "nothing changed";
}

}  // namespace
}  // namespace kel::cli
