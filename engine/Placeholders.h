// Values that differ per drawing: placeholders in the values of a template's
// set and replace lines, taken up when the template's *INPUT section holds
// "PLACEHOLDERS: ON". Without that line braces are plain text.
//
//   {file}            the drawing's file name without its extension
//   {file.ext}        the file name with its extension
//   {folder}          the name of the drawing's folder
//   {path}            the drawing's path relative to the list file's folder (a
//                     list file batch) or to the current folder (-t); the
//                     scan root for drawings a wildcard entry found
//   {n}               the drawing's number in the run: 1, 2, 3, ...
//   {n:START:STEP:WIDTH}  numbered from START by STEP, zero-padded to WIDTH
//   {count}           how many drawings the run has
//   {date} {date:FORMAT}  today (FORMAT: yyyy, yy, mm, dd, HH, MM, SS; default yyyy-mm-dd)
//   {attr:TAG}        the value another attribute of the same insert had
//                     before the run
//   {{ and }}         a brace
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace kel {

// What the placeholders of one drawing stand for.
struct PlaceholderContext {
    std::string strDrawing;  // the drawing's path
    std::string strRoot;     // the folder {path} is relative to ("" for the current folder)
    std::int64_t number = 0;  // from 0: the drawing's place in the run
    std::int64_t count = 0;
    std::time_t now = 0;
};

// "" when every brace of strText forms a known placeholder; otherwise what is wrong.
std::string CheckPlaceholders(const std::string& strText);

// strText with its placeholders replaced; attribute(tag, value) finds another
// attribute of the insert (false when it has none: the placeholder becomes "").
std::string ExpandPlaceholders(const std::string& strText, const PlaceholderContext& context,
                               const std::function<bool(const std::string&, std::string&)>& attribute);

}  // namespace kel
