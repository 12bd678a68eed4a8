// kel-batch where things go wrong: read-only drawings are never written, every
// failure reaches standard error with its reason, template lines that do
// nothing are warned about, an unusable application folder stops a run before
// it changes anything, and the usual command line mistakes get a hint.
#include <sys/stat.h>

#include "tests/cli/CliTest.h"

namespace kel::cli {
namespace {

const std::string kExample = KEL_SOURCE_DIR "/examples/title-r2000.dxf";
const char* kSetRevision = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nREV,r,C\r\n";

class FailureReportTest : public CliTest {
protected:
    std::string Drawing(const std::string& rel) { return Example("title-r2000.dxf", rel); }
    std::string Template(const std::string& text = kSetRevision) { return dir.Write("work/t.txt", text); }
    // A DWG of a version KEL does not read.
    std::string OldDwg(const std::string& rel) { return dir.Write("work/" + rel, "AC1009" + std::string(200, '\0')); }
    bool Original(const std::string& path) { return test::ReadFile(path) == test::ReadFile(kExample); }
};

TEST_F(FailureReportTest, ReadOnlyDrawingIsNeverWrittenAndEverySaveKeepsOwnerGroupAndMode) {
    const std::string released = Drawing("Released.dxf"), open = Drawing("Open.dxf");
    ::chmod(released.c_str(), 0444);
    // Another owner and group, and a mode of their own, for the drawing that is saved.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(open.c_str(), 65534, 65534), 0);
    }
    ::chmod(open.c_str(), 0664);

    Result r = Batch("-t " + Q(Template()) + " " + Q(released) + " " + Q(open));
    EXPECT_EQ(r.exitCode, 1);
    const std::string reason = "Unable to save drawing RELEASED.DXF (4003:The drawing is read-only).";
    EXPECT_NE(r.err.find("kel-batch: " + released + ": " + reason + "\n"), std::string::npos) << r.err;
    EXPECT_NE(ErrLog().find("  Drawing: " + released + "  Error: " + reason + "\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("Attributes for 1 file(s) modified"), std::string::npos) << r.out;
    EXPECT_TRUE(Original(released));
    EXPECT_NE(test::ReadFile(home + "/audit.log").find(released + "\r\nNot changed: the drawing is read-only.\r\n"),
              std::string::npos);

    struct stat st {};
    ASSERT_EQ(::stat(released.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    ASSERT_EQ(::stat(open.c_str(), &st), 0);
    EXPECT_FALSE(Original(open)) << "the writable drawing was changed";
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }

    // The same refusal from a list file; the status line names the save failure too.
    r = Batch(Q(dir.Write("work/l.dlf", released + "," + Template() + "\r\n")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find(reason + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    EXPECT_TRUE(Original(released));
}

TEST_F(FailureReportTest, EveryModePrintsEachFailureWithItsReason) {
    const std::string good = Drawing("tree/A-good.dxf"), old = OldDwg("tree/A-old.dwg");
    const std::string missing = dir.File("work/tree/gone.dxf");
    const std::string unsupported = "(2004:Unsupported format AC1009)";
    Result r = Batch("-q -t " + Q(Template()) + " " + Q(old) + " " + Q(missing) + " " + Q(good));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "kel-batch: " + old + ": Error opening file A-OLD.DWG " + unsupported + ".\n" + "kel-batch: " +
                         missing + ": File GONE.DXF not found.\n")
        << r.err;

    // Plain and wildcard entries; the scan writes neither log unless asked to.
    const std::string list = dir.Write("work/l.dlf", old + "," + Template() + "\r\n" + dir.File("work/tree/") + "A*.*," +
                                                         Template() + "\r\n");
    fs::remove(home + "/audit.log");
    r = Batch("--quiet " + Q(list));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(SplitLines(r.err), (Lines{"kel-batch: " + old + ": Error opening DWG file " + unsupported + ".",
                                        "kel-batch: " + old + ": Error opening DWG file " + unsupported + "."}))
        << "once as a plain entry, once found by the scan";
    EXPECT_EQ(SplitLines(ErrLog()).size(), 1u) << ErrLog();
    EXPECT_NE(r.out.find("\nError opening DWG file.\n"), std::string::npos) << "the status line keeps its text";
    EXPECT_EQ(test::ReadFile(home + "/audit.log").find("A-good"), std::string::npos);

    r = Batch("--log-scans " + Q(list));
    EXPECT_EQ(r.exitCode, 1);
    const Lines errors = SplitLines(ErrLog());
    ASSERT_EQ(errors.size(), 2u) << ErrLog();
    EXPECT_NE(errors[1].find("  Drawing: " + old + "  Error: Error opening DWG file " + unsupported + "."),
              std::string::npos);
    EXPECT_NE(test::ReadFile(home + "/audit.log").find(good + "\r\nFound REV and replaced with 'C'"),
              std::string::npos);

    // --show names the reason; a drawing without attributes is an empty table.
    r = Batch("--show " + Q(old));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error opening file A-OLD.DWG " + unsupported + ".\n");
    const std::string bare = dir.Write("work/bare.dxf", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
    r = Batch("--show " + Q(bare));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Block,Layout,name,handle,", 0), 0u) << r.out;
    EXPECT_EQ(SplitLines(r.out).size(), 1u) << r.out;
    EXPECT_EQ(r.err, "kel-batch: " + bare + " has no attributes.\n");
}

TEST_F(FailureReportTest, TemplateLinesThatDoNothingAreWarnedAboutOncePerLine) {
    const std::string a = Drawing("a.dxf"), b = Drawing("b.dxf");
    const std::string tmpl = Template("*INPUT\r\n*ATTRIBUTE_TAGS\r\nDATE,q\r\n' note\r\nREV,r,C\r\nf,only\r\n");
    Result r = Batch("-q -t " + Q(tmpl) + " " + Q(a) + " " + Q(b));
    EXPECT_EQ(r.exitCode, 0) << "warnings alone are no failure";
    const std::string why = " ignored, not a known tag line (unknown action or a field missing): ";
    EXPECT_EQ(SplitLines(r.err), (Lines{"kel-batch: warning: t.txt: Template line 3" + why + "DATE,q",
                                        "kel-batch: warning: t.txt: Template line 6" + why + "f,only"}));
    EXPECT_NE(r.out.find(" modified in "), std::string::npos);
    EXPECT_NE(r.out.find(" second(s). 2 template line(s) ignored, see the error log.\n"), std::string::npos) << r.out;
    const Lines errors = SplitLines(ErrLog());
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find("  Template: " + tmpl + "  Error: Template line 3" + why + "DATE,q"), std::string::npos);

    // A list naming the template twice warns once.
    r = Batch(Q(dir.Write("work/l.dlf", a + "," + tmpl + "\r\n" + b + "," + tmpl + "\r\n")));
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(SplitLines(r.err).size(), 3u) << r.err;
    EXPECT_EQ(SplitLines(r.err)[2].rfind("kel-batch: 2 changed, 0 unchanged, 0 failed in ", 0), 0u) << r.err;
    EXPECT_EQ(SplitLines(ErrLog()).size(), 2u);
}

TEST_F(FailureReportTest, UnusableApplicationFolderStopsTheRunBeforeAnyDrawingChanges) {
    const std::string drawing = Drawing("a.dxf");
    const std::string blocked = dir.Write("blocker", "a file where the folder should be") + "/KEL";
    const std::string batch = "KEL_HOME=" + Q(blocked) + " " + Q(KEL_BATCH_EXE) + " ";
    const std::string tmpl = Template();
    for (const std::string& args : {"-t " + Q(tmpl) + " " + Q(drawing),
                                    Q(dir.Write("work/l.dlf", drawing + "," + tmpl + "\r\n")), "--show " + Q(drawing),
                                    "--xml " + Q(drawing)}) {
        const Result r = Shell(batch + args);
        EXPECT_EQ(r.exitCode, 3) << args;
        EXPECT_EQ(r.err.rfind("kel-batch: the application folder " + blocked + " cannot be used (", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("Set KEL_HOME to a folder you may write."), std::string::npos);
        EXPECT_TRUE(Original(drawing));
    }
    // Without the audit log and the journal the run goes on, saying once that nothing is logged.
    Result r = Shell(batch + "-t " + Q(tmpl) + " --no-audit " + Q(drawing));
    EXPECT_EQ(r.exitCode, 3) << "the journal needs the folder too";
    r = Shell(batch + "-t " + Q(tmpl) + " --no-audit --no-journal " + Q(drawing));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Going on without logs and journal."), std::string::npos);
    EXPECT_FALSE(Original(drawing));
}

TEST_F(FailureReportTest, DrawingTemplateOrNothingGivenAsTheListIsRefused) {
    const std::string drawing = Drawing("a.dxf");
    const std::string tmpl = dir.Write("work/title-block.txt", "notes\r\n *input\r\n*ATTRIBUTE_TAGS\r\nREV,r,B\r\n");
    Result r = Batch(Q(drawing));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "kel-batch: " + drawing + " is a drawing, not a drawing list file.\nTo apply a template to it: "
                     "kel-batch -t TEMPLATE " + drawing + "\n");
    EXPECT_EQ(Batch(Q(OldDwg("plan.bin"))).exitCode, 2) << "a DWG under another name is known by its first bytes";
    r = Batch(Q(tmpl));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(" is a template, not a drawing list file.\nTo apply it to drawings: kel-batch -t " + tmpl),
              std::string::npos) << r.err;
    EXPECT_TRUE(Original(drawing));
    r = Batch(Q(dir.File("work/absent.dlf")));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "Passed file '" + dir.File("work/absent.dlf") + "' does not exist.\n");

    // A relative template that is not there says where it was looked for.
    r = Shell("cd " + Q(dir.Path()) + " && KEL_HOME=" + Q(home) + " " + Q(KEL_BATCH_EXE) + " " +
              Q(dir.Write("work/l.dlf", drawing + ",templates/none.txt\r\n")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("(looked for " + dir.Path() + "/templates/none.txt)."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kel::cli
