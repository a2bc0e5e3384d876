// The scanner data text of a grid (the reader's own coding, for tests, sample
// sheets and tools), and the escaped form of such texts in sheet files.
#pragma once

#include "scanner/core/TsScannerData.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace TsScanner {

// The text that LoadFromText turns back into grid's marks, with
// grid.ColCount() columns: one pair per line, line 1 last, every character
// 64 + the bits of its half. Only half-lines of up to 6 columns can be coded
// this way (a 7-column half has no code for "no mark"); wider grids throw.
std::string EncodeScannerText(const TsScannerData& grid);

// Sheet files hold one scanner data text per line. A backslash starts an
// escape: \n (line feed), \r (carriage return), \t (tab), \\ (backslash),
// \# (number sign) and \xHH (any byte, two hex digits). Every other byte
// stands for itself. Throws std::runtime_error for an unknown or cut escape,
// naming the 1-based column of its backslash.
std::string DecodeSheetLine(std::string_view line);
// The inverse: backslash, control bytes (below 32 and 127), bytes above 127
// and a leading "#" are escaped, so every text survives a round trip.
std::string EscapeSheetLine(std::string_view data);

// One sheet of a sheet file: the file line it came from, and its text or,
// when the line's escapes are bad, the error.
struct SheetRecord {
    std::size_t lineNumber = 0;
    std::string data;
    std::string error;
};

// Cuts a sheet file into sheets: lines end with LF or CR LF; empty lines and
// lines that start with "#" (comments) hold no sheet.
std::vector<SheetRecord> ReadSheetText(std::string_view fileText);

}  // namespace TsScanner
