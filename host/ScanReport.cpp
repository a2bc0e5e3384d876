#include "host/ScanReport.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace scan {

namespace {

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return lower;
}

// The value of column `lowerName` in a row, or empty when the sheet has none.
const std::string* FindField(const SheetOutcome& outcome, std::string_view lowerName)
{
    for (const Field& field : outcome.fields)
        if (LowerAscii(field.name) == lowerName)
            return &field.value;
    return nullptr;
}

bool IsControl(unsigned char c) { return c < 32 || c == 127; }

// Display width of UTF-8 text: one cell per code point (continuation bytes don't count).
size_t Width(std::string_view utf8)
{
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void Pad(std::ostream& out, std::string_view text, size_t width)
{
    out << text;
    for (size_t w = Width(text); w < width; ++w)
        out << ' ';
}

void WriteTable(std::ostream& out, const std::vector<std::string>& columns, const std::vector<SheetRow>& rows)
{
    std::vector<std::string> lowerColumns;
    std::vector<size_t> widths{Width("sheet")};
    for (const std::string& column : columns) {
        lowerColumns.push_back(LowerAscii(column));
        widths.push_back(Width(Printable(column)));
    }
    for (const SheetRow& row : rows) {
        widths[0] = std::max(widths[0], Width(std::to_string(row.sheet)));
        for (size_t c = 0; c < columns.size(); ++c)
            if (const std::string* value = FindField(row.outcome, lowerColumns[c]))
                widths[c + 1] = std::max(widths[c + 1], Width(Printable(*value)));
    }
    // No trailing blanks: padding of the last column is noise in a terminal or a diff.
    auto endLine = [&out](std::string line) {
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    };
    std::ostringstream header;
    Pad(header, "sheet", widths[0]);
    for (size_t c = 0; c < columns.size(); ++c) {
        header << "  ";
        Pad(header, Printable(columns[c]), widths[c + 1]);
    }
    endLine(header.str());
    for (const SheetRow& row : rows) {
        std::ostringstream line;
        Pad(line, std::to_string(row.sheet), widths[0]);
        if (row.outcome.failed) {
            line << "  error: " << Printable(row.outcome.error) << " (" << Printable(row.file) << " line " << row.line
                 << ")";
        } else {
            for (size_t c = 0; c < columns.size(); ++c) {
                line << "  ";
                const std::string* value = FindField(row.outcome, lowerColumns[c]);
                Pad(line, value ? Printable(*value) : std::string(), widths[c + 1]);
            }
        }
        endLine(line.str());
    }
}

void WriteCsv(std::ostream& out, const std::vector<std::string>& columns, const std::vector<SheetRow>& rows)
{
    out << "sheet,file,line";
    for (const std::string& column : columns)
        out << ',' << CsvField(column);
    out << ",error\r\n";
    for (const SheetRow& row : rows) {
        out << row.sheet << ',' << CsvField(row.file) << ',' << row.line;
        for (const std::string& column : columns) {
            const std::string* value = FindField(row.outcome, LowerAscii(column));
            out << ',' << CsvField(value ? *value : std::string());
        }
        out << ',' << CsvField(row.outcome.failed ? row.outcome.error : std::string()) << "\r\n";
    }
}

void WriteJson(std::ostream& out, const std::vector<SheetRow>& rows)
{
    out << '[';
    for (size_t r = 0; r < rows.size(); ++r) {
        const SheetRow& row = rows[r];
        out << (r ? ",\n " : "\n ") << "{\"sheet\":" << row.sheet << ",\"file\":" << JsonString(row.file)
            << ",\"line\":" << row.line;
        if (row.outcome.failed) {
            out << ",\"error\":" << JsonString(row.outcome.error);
        } else {
            out << ",\"fields\":{";
            for (size_t f = 0; f < row.outcome.fields.size(); ++f)
                out << (f ? "," : "") << JsonString(row.outcome.fields[f].name) << ':'
                    << JsonString(row.outcome.fields[f].value);
            out << '}';
        }
        out << '}';
    }
    out << (rows.empty() ? "]\n" : "\n]\n");
}

} // namespace

std::vector<std::string> CollectColumns(const std::vector<SheetRow>& rows)
{
    std::vector<std::string> columns;
    std::vector<std::string> seen;
    for (const SheetRow& row : rows)
        for (const Field& field : row.outcome.fields) {
            std::string lower = LowerAscii(field.name);
            if (std::find(seen.begin(), seen.end(), lower) == seen.end()) {
                seen.push_back(std::move(lower));
                columns.push_back(field.name);
            }
        }
    return columns;
}

void WriteReport(std::ostream& out, Format format, const std::vector<std::string>& columns,
                 const std::vector<SheetRow>& rows)
{
    switch (format) {
    case Format::Table: WriteTable(out, columns, rows); break;
    case Format::Csv: WriteCsv(out, columns, rows); break;
    case Format::Json: WriteJson(out, rows); break;
    }
}

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string JsonString(std::string_view utf8)
{
    std::string json = "\"";
    for (char ch : utf8) {
        unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': json += "\\\""; break;
        case '\\': json += "\\\\"; break;
        case '\b': json += "\\b"; break;
        case '\f': json += "\\f"; break;
        case '\n': json += "\\n"; break;
        case '\r': json += "\\r"; break;
        case '\t': json += "\\t"; break;
        default:
            if (c < 32 || c == 127) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                json += escape;
            } else {
                json += ch;
            }
        }
    }
    return json + '"';
}

std::string Printable(std::string_view utf8)
{
    std::string text;
    for (char ch : utf8) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (IsControl(c)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            text += escape;
        } else {
            text += ch;
        }
    }
    return text;
}

} // namespace scan
