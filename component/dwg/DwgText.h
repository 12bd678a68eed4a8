// Text of drawings. R13-R2004 store bytes in the drawing's code page, with
// \U+XXXX escapes for characters the code page lacks; R2007 and later store
// UTF-16. Inside KEL text is UTF-8.
#pragma once

#include <string>

namespace kel::dwg {

// The Windows code page behind a drawing's code page number (30 -> 1252),
// or 0 when the number names no single-byte page we carry.
int WindowsCodePageOf(int dwgCodePage);

// Decodes drawing text to UTF-8: stops at the first NUL, maps bytes through
// the code page (Windows-1252 when the page is unknown) and turns \U+XXXX
// escapes (and pairs of them for UTF-16 surrogates) into the characters they
// name, and \M+nXXXX escapes (Asian double-byte characters) too; the page
// number of such an escape goes to *escapePage.
std::string DecodeText(const std::string& raw, int dwgCodePage, int* escapePage = nullptr);

// Encodes UTF-8 to drawing text: characters of the code page as its bytes,
// every other character as \U+XXXX (all of them beyond ASCII when the page is
// not one we carry), one beyond U+FFFF as the two escapes of its UTF-16 pair.
// A byte that is no UTF-8 (which a new value never holds) is written as U+FFFD.
// With an escapePage (1 to 5: a drawing that writes \M+n escapes), characters
// of that double-byte page take that escape instead.
std::string EncodeText(const std::string& utf8, int dwgCodePage, int escapePage = 0);

// UTF-16 text of R2007 and later, held as UTF-8 in the object fields. A lone
// surrogate is kept as its own three-byte sequence, so that any UTF-16 text
// read comes back as the same code units.
std::string WideToUtf8(const std::u16string& wide);
std::u16string Utf8ToWide(const std::string& utf8);
// Wide text as KEL shows it: up to the first NUL, a lone surrogate as U+FFFD.
std::string DecodeWideText(const std::string& held);

}  // namespace kel::dwg
