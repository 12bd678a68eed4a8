// Helpers of the drawing component tests: the corpus drawings, the independent
// reader's view of a drawing, and our own view in the same line form.
#pragma once

#include <string>
#include <vector>

#include "component/DrawingInfo.h"
#include "support/Shell.h"

namespace kel::test {

// Every .dxf file below the corpus's dxf folder, sorted.
std::vector<std::string> CorpusDxfFiles();

// Lines printed by ezdxf_dump.py for the files (see that script for the forms).
// With audit, each file also gets its auditor's "X <count>" line.
std::vector<std::string> EzdxfDump(const std::vector<std::string>& files, bool audit = false);

// The lines of one file ("F <path>" up to the next "F" line) that start with prefix ("A\t", "E\t", ...).
std::vector<std::string> LinesOf(const std::vector<std::string>& dump, const std::string& file,
                                 const std::string& prefix);

// Lines only in a ("-") or only in b ("+"), at most a few; "" when both hold the same lines.
std::string LineDiff(const std::vector<std::string>& a, const std::vector<std::string>& b);


// Field i of a dump line; for "A" lines: 1 owner, 2 insert, 3 insert handle, 4 layer, 5 handle, 6 tag, 7 value.
std::string Field(const std::string& line, int i);

// The (escaped) value of the attribute with this handle in "A" lines; "<none>" when none has it.
std::string ValueIn(const std::vector<std::string>& attributeLines, const std::string& handle);

// Our attributes in the dump's "A" line form, sorted.
std::vector<std::string> AttributeLines(const DrawingInfo& info);

// Opens a drawing through the component and describes it; an empty info with
// a failed test when it does not open.
DrawingInfo DescribeFile(const std::string& path);

}  // namespace kel::test
