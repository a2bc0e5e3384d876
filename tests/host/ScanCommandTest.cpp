// tshost scan end to end: the real tshost, the real form module registered
// into a registry of the test's own, and the example batches.
#ifdef TS_SCANNER_MODULE

#include "HostProcessFixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kForms = std::string(TS_SOURCE_DIR) + "/examples/forms/";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Cuts a table row into its blank-separated cells.
std::vector<std::string> Cells(const std::string& row)
{
    std::vector<std::string> cells;
    std::istringstream in(row);
    for (std::string cell; in >> cell;)
        cells.push_back(cell);
    return cells;
}

// A form that reads line 1 of a 6-column grid twice: "A1" with the letters
// ABCDE, and "a1" (the same field, other case) with VWXYZ. A sheet line
// "A@" marks column 1, "@B" column 5, "C@" columns 1 and 2.
constexpr const char* kTinyForm = "FRM=MC N N 1 0 1 1 1 5 L 1 5 ABCDE\n"
                                  "##A1\n"
                                  "FRM=MC N N 1 0 1 1 1 5 L 1 5 ABCDE\n"
                                  "##Second\n"
                                  "FRM=MC N N 1 0 1 1 1 5 L 1 5 VWXYZ\n"
                                  "##a1\n";

class ScanCommand : public HostProcessFixture {
protected:
    void SetUp() override
    {
        ProcessResult r = RegisterInFreshRegistry(TS_SCANNER_MODULE, "tshost-scan");
        ASSERT_EQ(r.status, 0) << r.err;
    }

    ProcessResult Scan(std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.begin(), "scan");
        return Host(std::move(args), input);
    }
};

TEST_F(ScanCommand, FiftyQuestionBatchReportsFailingSheetsOnTheirRows)
{
    ProcessResult r = Scan({"--form", kForms + "exam50.form", kForms + "sheets50.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tshost scan: 2 of 5 sheets failed\n");
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;

    std::vector<std::string> header = Cells(lines[0]);
    ASSERT_EQ(header.size(), 1u + 3 + 50 + 1);
    EXPECT_EQ(header[0], "sheet");
    EXPECT_EQ(header[1], "SID");
    EXPECT_EQ(header[4], "A1");
    EXPECT_EQ(header[53], "A50");
    EXPECT_EQ(header[54], "Score");

    std::vector<std::string> clean = Cells(lines[1]);
    ASSERT_EQ(clean.size(), header.size());
    EXPECT_EQ(clean[0], "1");
    EXPECT_EQ(clean[1], "4711000123");
    EXPECT_EQ(clean[2], "E");
    EXPECT_EQ(clean[3], "107");
    EXPECT_EQ(clean[54], "99");

    EXPECT_EQ(Cells(lines[3])[1], "?000000001"); // double-marked id column
    EXPECT_EQ(lines[4], "4      error: Id check failed at Col: 1 (" + kForms + "sheets50.txt line 9)");
    EXPECT_EQ(lines[5],
              "5      error: Line index out of bounds: max=30 index=31 (" + kForms + "sheets50.txt line 11)");
}

TEST_F(ScanCommand, FixedFormBatchGivesEveryFieldAndGoesOnAfterFailures)
{
    ProcessResult r = Scan({"--fixed25", "--format", "csv", kForms + "sheets25.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tshost scan: 2 of 7 sheets failed\n");
    std::string file = kForms + "sheets25.txt";
    std::string answers1to9 = "C,C,C,C,C,C,C,C,C";
    std::string sixteenEmpty(16, ',');
    std::string noFields(29 + 1, ','); // a failing row: 29 empty fields, then the error
    EXPECT_EQ(r.out,
              "sheet,file,line,StudentId,QuizId,QuizVersion,SubjectiveScore,"
              "A1,A2,A3,A4,A5,A6,A7,A8,A9,A10,A11,A12,A13,A14,A15,A16,A17,A18,A19,A20,A21,A22,A23,A24,A25,error\r\n"
              "1," + file + ",4,4711000123,042,B,85,A,B,C,D,E,A,B,C,D,E,A,B,C,D,E,A,B,C,D,E,A,B,C,D,E,\r\n"
              "2," + file + ",7,0815000042,042,A,50,E,D,C,B,A,E,D,C,B,A,E,D,C,B,,,,,,,,,,,,\r\n"
              "3," + file + ",9,,,,0,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n"
              "4," + file + ",11,12?4567890,042,?,0,AB,A,A,A,A,A,A,A,A,AE,A,A,A,A,A,A,A,A,A,A,A,A,A,A,A,\r\n"
              "5," + file + ",13" + noFields + "Line index out of bounds: max=30 index=31\r\n"
              "6," + file + ",15,4711000125,042,B,0," + answers1to9 + sixteenEmpty + ",\r\n"
              "7," + file + ",17" + noFields + "Sheet line has the unknown escape \\q at column 5\r\n");
}

TEST_F(ScanCommand, CsvAndJsonQuoteAndEscapeAndMergeKeysAsTheFieldRuleDoes)
{
    std::string form = Write("tiny.form", kTinyForm);
    std::string sheets = Write("a,\"b\".txt", "A@\n# comment\n@B\r\nC@\n\\q\n");

    ProcessResult csv = Scan({"--form", form, "--cols", "6", "--format", "csv", sheets});
    EXPECT_EQ(csv.status, 1) << csv.err;
    std::string file = "\"" + (dir_ / "a,\"\"b\"\".txt").string() + "\"";
    // "a1" is the field "A1" again: one column, first spelling, later value.
    EXPECT_EQ(csv.out, "sheet,file,line,A1,Second,error\r\n"
                       "1," + file + ",1,V,A,\r\n"
                       "2," + file + ",3,Z,E,\r\n"
                       "3," + file + ",4,?,?,\r\n"
                       "4," + file + ",5,,,Sheet line has the unknown escape \\q at column 1\r\n");

    ProcessResult json = Scan({"--form=" + form, "--cols=6", "--format=json", sheets});
    EXPECT_EQ(json.status, 1) << json.err;
    std::string jsonFile = "\"" + (dir_ / "a,\\\"b\\\".txt").string() + "\"";
    EXPECT_EQ(json.out, "[\n"
                        " {\"sheet\":1,\"file\":" + jsonFile + ",\"line\":1,\"fields\":{\"A1\":\"V\",\"Second\":\"A\"}},\n"
                        " {\"sheet\":2,\"file\":" + jsonFile + ",\"line\":3,\"fields\":{\"A1\":\"Z\",\"Second\":\"E\"}},\n"
                        " {\"sheet\":3,\"file\":" + jsonFile + ",\"line\":4,\"fields\":{\"A1\":\"?\",\"Second\":\"?\"}},\n"
                        " {\"sheet\":4,\"file\":" + jsonFile + ",\"line\":5,"
                        "\"error\":\"Sheet line has the unknown escape \\\\q at column 1\"}\n"
                        "]\n");
}

TEST_F(ScanCommand, CleanBatchFromStandardInputExitsZero)
{
    std::string form = Write("tiny.form", kTinyForm);
    ProcessResult r = Scan({"--form", form, "--cols", "6", "-"}, "A@\n@@\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The blank answer keeps its place; trailing blanks are not printed.
    EXPECT_EQ(r.out, "sheet  A1  Second\n"
                     "1      V   A\n"
                     "2\n");
}

TEST_F(ScanCommand, BadDefinitionStopsBeforeAnySheetWithItsMessageInUtf8)
{
    // 0xE9 is "e acute" in Windows-1252.
    std::string form = Write("bad.form", "\xE9t\xE9 FRM\n");
    std::string sheets = Write("s.txt", "A@\n");
    ProcessResult r = Scan({"--form", form, "--cols", "6", sheets});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tshost scan: form definition \"" + form +
                         "\": All form command must start with FRM=. Found: \xC3\xA9t\xC3\xA9 FRM\n");
}

TEST_F(ScanCommand, CommandLineErrors)
{
    std::string form = Write("tiny.form", kTinyForm);
    std::string sheets = Write("s.txt", "A@\n");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{}, "give --form FILE or --fixed25"},
        {{"--fixed25"}, "no sheet files given"},
        {{"--form"}, "--form needs a value"},
        {{"--form", form, "--fixed25", sheets}, "--form and --fixed25 exclude each other"},
        {{"--fixed25", "--cols", "8", sheets}, "the fixed 25-answer form always has 12 columns"},
        {{"--form", form, "--cols", "0", sheets}, "--cols needs a whole number from 1 to 2147483647, not '0'"},
        {{"--form", form, "--cols", "-3", sheets}, "--cols needs a whole number from 1 to 2147483647, not '-3'"},
        {{"--form", form, "--cols", "99999999999", sheets},
         "--cols needs a whole number from 1 to 2147483647, not '99999999999'"},
        {{"--form", form, "--format", "xml", sheets}, "unknown format 'xml' (table, csv or json)"},
        {{"--fixed25", "--verbose", sheets}, "unknown option '--verbose'"},
    };
    for (const Case& c : cases) {
        ProcessResult r = Scan(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "tshost scan: " + c.message +
                             "\nusage: tshost scan (--form FILE | --fixed25) [--cols N] [--format table|csv|json] "
                             "SHEETS...\n");
    }

    ProcessResult help = Scan({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--fixed25"), std::string::npos);

    ProcessResult missing = Scan({"--fixed25", sheets, (dir_ / "nothere.txt").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "tshost scan: cannot read sheet file \"" + (dir_ / "nothere.txt").string() +
                               "\": No such file or directory\n");
}

// More than 300 sheets on a terminal: a progress bar on standard error,
// erased at the end; the report on standard output is unchanged.
TEST_F(ScanCommand, LongBatchShowsProgressOnATerminal)
{
    std::string form = Write("tiny.form", kTinyForm);
    std::string batch;
    for (int i = 0; i < 301; ++i)
        batch += "A@\n";
    std::string sheets = Write("many.txt", batch);
    fs::path outFile = dir_ / "out.txt";

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::string slaveName = ptsname(master);
    std::string registry = registry_.string();
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
        int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (slave < 0 || out < 0)
            _exit(126);
        dup2(out, 1);
        dup2(slave, 2);
        close(master);
        setenv("TESSALY_REGISTRY", registry.c_str(), 1);
        execl(TSHOST_PATH, TSHOST_PATH, "scan", "--form", form.c_str(), "--cols", "6", sheets.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string terminal;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            break; // EIO once the child's side is closed
        terminal.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(terminal.find("301/301 sheets, 0 failed"), std::string::npos) << terminal;
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K");

    std::ifstream in(outFile);
    std::stringstream report;
    report << in.rdbuf();
    std::vector<std::string> lines = Lines(report.str());
    ASSERT_EQ(lines.size(), 302u);
    EXPECT_EQ(lines[301], "301    V   A");
}

} // namespace

#endif // TS_SCANNER_MODULE
