// The rows of a scanned batch and the three ways `tshost scan` prints them.
#pragma once

#include "host/ScanDecoder.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace scan {

// One sheet of the batch: its number (1-based, across all files), where it
// came from and what it gave.
struct SheetRow {
    size_t sheet = 0;
    std::string file;
    size_t line = 0;
    SheetOutcome outcome;
};

enum class Format { Table, Csv, Json };

// The columns of a batch: every field name in order of first appearance
// (names that differ only in ASCII case are one column).
std::vector<std::string> CollectColumns(const std::vector<SheetRow>& rows);

// table: aligned columns "sheet" and the fields; a failing sheet shows
//        "error: DESCRIPTION (FILE line N)" after its number.
// csv:   RFC 4180 with CRLF line ends, columns sheet,file,line,FIELDS...,error.
// json:  an array of {"sheet","file","line","fields":{...}} or, for a failing
//        sheet, {"sheet","file","line","error"}.
void WriteReport(std::ostream& out, Format format, const std::vector<std::string>& columns,
                 const std::vector<SheetRow>& rows);

// Helpers, exposed for their own tests.
std::string CsvField(std::string_view text);
std::string JsonString(std::string_view utf8);
// Control characters made visible for a terminal ("\x07"); everything else as it is.
std::string Printable(std::string_view utf8);

} // namespace scan
