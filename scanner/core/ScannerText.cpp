#include "scanner/core/ScannerText.h"

#include "scanner/core/Text.h"

#include <stdexcept>

namespace TsScanner {

std::string EncodeScannerText(const TsScannerData& grid)
{
    const int32_t half = grid.ColCount() / 2;
    if (half > 6)
        throw std::runtime_error(FormatText("Cannot code %d columns as scanner data", grid.ColCount()));
    std::string text;
    text.reserve(static_cast<std::size_t>(grid.LineCount() > 0 ? grid.LineCount() : 0) * 2);
    for (int32_t line = grid.LineCount(); line >= 1; --line) {
        for (int32_t offset : {0, half}) {
            unsigned code = 64;
            for (int32_t k = 1; k <= half; ++k)
                if (grid.GetMark(line, offset + k))
                    code |= 1u << (k - 1);
            text += static_cast<char>(code);
        }
    }
    return text;
}

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string DecodeSheetLine(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            out += line[i];
            continue;
        }
        if (i + 1 == line.size())
            throw std::runtime_error(FormatText("Sheet line ends inside an escape at column %zu", i + 1));
        const char e = line[++i];
        switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        case '#': out += '#'; break;
        case 'x': {
            const int high = i + 1 < line.size() ? HexValue(line[i + 1]) : -1;
            const int low = i + 2 < line.size() ? HexValue(line[i + 2]) : -1;
            if (high < 0 || low < 0)
                throw std::runtime_error(
                    FormatText("Sheet line has \\x without two hex digits at column %zu", i));
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            throw std::runtime_error(FormatText("Sheet line has the unknown escape \\%c at column %zu", e, i));
        }
    }
    return out;
}

std::string EscapeSheetLine(std::string_view data)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() + 8);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '#' && i == 0)
            out += "\\#";
        else if (c < 32 || c >= 127) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else
            out += static_cast<char>(c);
    }
    return out;
}

std::vector<SheetRecord> ReadSheetText(std::string_view fileText)
{
    std::vector<SheetRecord> sheets;
    std::size_t number = 0;
    std::size_t i = 0;
    while (i < fileText.size()) {
        const std::size_t end = fileText.find('\n', i);
        std::string_view line = fileText.substr(i, end == std::string_view::npos ? end : end - i);
        i = end == std::string_view::npos ? fileText.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        SheetRecord record;
        record.lineNumber = number;
        try {
            record.data = DecodeSheetLine(line);
        } catch (const std::runtime_error& e) {
            record.error = e.what();
        }
        sheets.push_back(std::move(record));
    }
    return sheets;
}

}  // namespace TsScanner
