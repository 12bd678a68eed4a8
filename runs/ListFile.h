// The drawing list file: one entry per line, "drawing,template"; comment lines
// start with an apostrophe; an "END" line ends the program.
#pragma once

#include <string>
#include <vector>

namespace kel {

struct ListLine {
    enum class Kind { Skip, End, Entry };
    Kind kind = Kind::Skip;
    // For an entry: the text before the first comma and the text after it,
    // with their letter case and the blanks beside the comma.
    std::string strDrawing;
    std::string strTemplate;
};

// Classifies one line. Blanks at both ends are ignored; an empty line, a
// comment and a line without a comma are skipped; "END" is recognised in any
// letter case.
ListLine ParseListLine(const std::string& strLine);

// Reads the list file's lines (CR LF, lone CR and LF all end a line). False,
// with the reason in strErr, when the file cannot be read or is not text.
bool ReadListFile(const std::string& strPath, std::vector<std::string>& lines, std::string& strErr);

// What a file given as a drawing list file looks like: a drawing (by its
// name or its first bytes) or a template (it has the template's two section
// lines) are common mistakes for one.
enum class ListFileGuess { List, Drawing, Template };
ListFileGuess GuessListFileKind(const std::string& strPath);

}  // namespace kel
