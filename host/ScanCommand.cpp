// tshost scan: decodes batches of answer sheets through the registered form
// components and prints one row per sheet.
#include "host/Commands.h"

#include "host/ScanDecoder.h"
#include "host/ScanProgress.h"
#include "host/ScanReport.h"
#include "host/script/ScriptError.h"
#include "platform/Activation.h"
#include "platform/CodePage.h"
#include "scanner/core/ScannerText.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultColumns = 12;
constexpr int kFixed25Columns = 12;

constexpr const char* kUsage =
    "usage: tshost scan (--form FILE | --fixed25) [--cols N] [--format table|csv|json] SHEETS...\n";

constexpr const char* kHelp =
    "Decodes answer sheets through the registered TsScannerLib components.\n"
    "\n"
    "  --form FILE      read the sheets with the form definition in FILE\n"
    "  --fixed25        read the sheets as the fixed 25-answer form\n"
    "  --cols N         columns of the mark grid (default 12; the fixed form always uses 12)\n"
    "  --format F       table (default), csv (RFC 4180) or json\n"
    "  SHEETS           sheet files (- for standard input): one scanner data text a line,\n"
    "                   '#' comments, backslash escapes \\n \\r \\t \\\\ \\# \\xHH\n"
    "\n"
    "Every sheet gets one row: its number and its fields, or the reason it failed.\n"
    "Exit status: 0 when every sheet was read, 1 when any failed, 2 for a bad command line.\n";

struct Options {
    std::optional<std::string> formFile;
    bool fixed25 = false;
    std::optional<int> columns;
    scan::Format format = scan::Format::Table;
    std::vector<std::string> sheetFiles;
    bool help = false;
};

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "tshost scan: %s\n%s", message.c_str(), kUsage);
    return kUsageExitStatus;
}

std::optional<int> ParseColumns(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < 1 || value > static_cast<unsigned long long>(INT_MAX))
        return std::nullopt;
    return static_cast<int>(value);
}

// Returns a usage message, or empty when the command line is sound.
std::string ParseOptions(int argc, char** argv, Options& options)
{
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
            options.sheetFiles.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--fixed25") {
            if (options.fixed25)
                return "--fixed25 given twice";
            options.fixed25 = true;
            continue;
        }
        // Options with a value: "--name VALUE" or "--name=VALUE".
        std::string name = arg;
        std::optional<std::string> value;
        if (size_t equals = arg.find('='); equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        if (name != "--form" && name != "--cols" && name != "--format")
            return "unknown option '" + arg + "'";
        if (!value) {
            if (i + 1 >= argc)
                return name + " needs a value";
            value = argv[++i];
        }
        if (name == "--form") {
            if (options.formFile)
                return "--form given twice";
            if (value->empty())
                return "--form needs a file name";
            options.formFile = *value;
        } else if (name == "--cols") {
            options.columns = ParseColumns(*value);
            if (!options.columns)
                return "--cols needs a whole number from 1 to " + std::to_string(INT_MAX) + ", not '" + *value + "'";
        } else if (*value == "table") {
            options.format = scan::Format::Table;
        } else if (*value == "csv") {
            options.format = scan::Format::Csv;
        } else if (*value == "json") {
            options.format = scan::Format::Json;
        } else {
            return "unknown format '" + *value + "' (table, csv or json)";
        }
    }
    if (options.help)
        return {};
    if (options.formFile && options.fixed25)
        return "--form and --fixed25 exclude each other";
    if (!options.formFile && !options.fixed25)
        return "give --form FILE or --fixed25";
    if (options.fixed25 && options.columns && *options.columns != kFixed25Columns)
        return "the fixed 25-answer form always has 12 columns";
    if (options.sheetFiles.empty())
        return "no sheet files given";
    return {};
}

// Reads a whole file ("-": standard input); false with errno set when it cannot.
bool ReadFile(const std::string& path, std::string& bytes)
{
    errno = 0;
    if (path == "-") {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        return false;
    bytes = std::move(content).str();
    return true;
}

int CannotRead(const std::string& what, const std::string& path)
{
    int error = errno ? errno : EIO;
    std::fprintf(stderr, "tshost scan: cannot read %s \"%s\": %s\n", what.c_str(), path.c_str(), std::strerror(error));
    return 1;
}

struct PendingSheet {
    std::string file;
    TsScanner::SheetRecord record;
};

int Scan(const Options& options)
{
    // Every file is read before the first sheet is decoded, so a wrong path
    // costs nothing and the progress bar knows the batch's size.
    std::string definition;
    if (options.formFile && !ReadFile(*options.formFile, definition))
        return CannotRead("form definition", *options.formFile);
    std::vector<PendingSheet> sheets;
    for (const std::string& path : options.sheetFiles) {
        std::string bytes;
        if (!ReadFile(path, bytes))
            return CannotRead("sheet file", path);
        for (TsScanner::SheetRecord& record : TsScanner::ReadSheetText(bytes))
            sheets.push_back({path == "-" ? "(stdin)" : path, std::move(record)});
    }

    std::unique_ptr<scan::SheetDecoder> decoder;
    try {
        decoder = options.fixed25 ? scan::MakeFixed25Decoder()
                                  : scan::MakeFormDecoder(definition, options.columns.value_or(kDefaultColumns));
    } catch (const script::ScriptError& e) {
        if (options.formFile)
            std::fprintf(stderr, "tshost scan: form definition \"%s\": %s\n", options.formFile->c_str(),
                         WideToUtf8(e.Description()).c_str());
        else
            std::fprintf(stderr, "tshost scan: %s\n", WideToUtf8(e.Description()).c_str());
        return 1;
    }

    std::vector<scan::SheetRow> rows;
    rows.reserve(sheets.size());
    size_t failed = 0;
    {
        scan::ProgressBar progress(stderr, sheets.size());
        for (PendingSheet& sheet : sheets) {
            scan::SheetRow row;
            row.sheet = rows.size() + 1;
            row.file = std::move(sheet.file);
            row.line = sheet.record.lineNumber;
            if (!sheet.record.error.empty()) {
                row.outcome.failed = true;
                row.outcome.error = AnsiToUtf8(sheet.record.error);
            } else {
                row.outcome = decoder->Decode(sheet.record.data);
            }
            failed += row.outcome.failed ? 1 : 0;
            rows.push_back(std::move(row));
            progress.Update(rows.size(), failed);
        }
    }

    std::vector<std::string> columns = options.fixed25 ? scan::Fixed25FieldNames() : scan::CollectColumns(rows);
    scan::WriteReport(std::cout, options.format, columns, rows);
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "tshost scan: cannot write the report: %s\n", std::strerror(errno ? errno : EIO));
        return 1;
    }
    if (failed)
        std::fprintf(stderr, "tshost scan: %zu of %zu sheets failed\n", failed, rows.size());
    return failed ? 1 : 0;
}

} // namespace

int RunScanCommand(int argc, char** argv)
{
    Options options;
    std::string problem = ParseOptions(argc, argv, options);
    if (!problem.empty())
        return UsageError(problem);
    if (options.help) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int status = Scan(options);
    CoFreeUnusedLibraries();
    CoUninitialize();
    return status;
}
