// The type-library generator on input it must refuse: one clear
// "file:line: error:" message, exit status 1, nothing written. (What it
// accepts is shown by DispatchTest.idl, which the other tests are built on.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string output;
};

class Generator : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ts-typelib-gen-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Starts the generator on `idl` in a folder of its own; Finish collects it.
    struct Started {
        fs::path folder;
        FILE* pipe;
    };
    Started Start(const std::string& idl, int index)
    {
        const fs::path folder = dir_ / std::to_string(index);
        fs::create_directories(folder);
        std::ofstream(folder / "Case.idl") << idl;
        const std::string command = "'" + std::string(TS_PYTHON) + "' -S '" + std::string(TS_SOURCE_DIR) +
                                    "/typelib/typelib_gen.py' '" + (folder / "Case.idl").string() +
                                    "' --output-dir '" + (folder / "out").string() + "' 2>&1";
        return {folder, popen(command.c_str(), "r")};
    }
    static RunResult Finish(Started& started)
    {
        RunResult result{-1, {}};
        if (!started.pipe)
            return result;
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, started.pipe))
            result.output.append(buffer, n);
        int status = pclose(started.pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }
    static bool Wrote(const fs::path& folder)
    {
        return fs::exists(folder / "out" / "Case.h") || fs::exists(folder / "out" / "Case.cpp");
    }

    fs::path dir_;
};

// A library around `body`, which starts on line 3.
std::string Library(const std::string& body)
{
    return "[uuid(11111111-2222-3333-4444-555555555555), version(1.0)]\n"
           "library L {\n" +
           body + "\n};\n";
}

std::string Interface(const std::string& members, const std::string& attributes = "uuid(11111111-2222-3333-4444-555555555556)")
{
    return "[" + attributes + "] interface I : IDispatch {\n" + members + "\n};";
}

TEST_F(Generator, AcceptsAMinimalLibrary)
{
    Started started = Start(Library(Interface("[id(1)] HRESULT F([in] long a);")), 0);
    RunResult r = Finish(started);
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_TRUE(Wrote(started.folder));
}

TEST_F(Generator, RefusesWithFileLineAndReason)
{
    struct Case {
        std::string idl;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"library L {};", 1, "the library needs a uuid attribute"},
        {Library(Interface("[id(1)] HRESULT F([in] foo a);")), 4, "unknown type 'foo'"},
        {Library(Interface("[id(1), propgte] HRESULT F();")), 4, "attribute 'propgte' is not supported"},
        {Library(Interface("[id(1)] void F();")), 4, "must return HRESULT"},
        {Library(Interface("[id(1)] HRESULT F([out, retval] long* a, [in] long b);")), 4, "must be the last"},
        {Library(Interface("[id(1), propget] HRESULT F([in] long a);")), 4, "needs an [out, retval] parameter"},
        {Library(Interface("[id(1)] HRESULT F([in, optional] long a);")), 4, "needs a defaultvalue"},
        {Library(Interface("[id(1)] HRESULT F([in, optional, defaultvalue(1)] long a, [in] long b);")), 4,
         "must be optional too"},
        {Library(Interface("[id(1)] HRESULT F([out] long a);")), 4, "needs a pointer type"},
        {Library(Interface("[id(1)] HRESULT F();\n[id(1)] HRESULT G();")), 5, "id 1 of 'G' is already used by 'F'"},
        {Library(Interface("[id(1)] HRESULT F();\n[id(2)] HRESULT f();")), 5, "declared twice"},
        {Library(Interface("[id(1)] HRESULT F([in] IDispatch a);")), 4, "used without '*'"},
        {Library(Interface("", "uuid(1111-2222)")), 3, "malformed uuid"},
        {Library(Interface("", "dual")), 3, "needs a uuid attribute"},
        {Library("[uuid(11111111-2222-3333-4444-555555555556)] interface I : IUnknown {};"), 3, "must derive from IDispatch"},
        {Library("[uuid(11111111-2222-3333-4444-555555555557)] coclass C { interface Missing; };"), 3,
         "'Missing' is not an interface defined earlier"},
        {Library("[uuid(11111111-2222-3333-4444-555555555557)] dispinterface D { methods: void F(); };"), 3,
         "needs an id"},
        {Library("typedef enum { A, B, A } E;"), 3, "'A' is defined twice"},
        {Library(Interface("[id(1)] HRESULT F()")), 5, "expected ';'"},
        {Library("/* never closed\n"), 3, "unterminated comment"},
        {Library("[helpstring(\"open) interface"), 3, "unterminated string"},
    };
    // All at once: each run is mostly the interpreter starting.
    std::vector<Started> runs;
    for (const Case& c : cases)
        runs.push_back(Start(c.idl, static_cast<int>(runs.size())));
    for (size_t i = 0; i < runs.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.idl);
        RunResult r = Finish(runs[i]);
        EXPECT_EQ(1, r.status);
        const std::string where = (runs[i].folder / "Case.idl").string() + ":" + std::to_string(c.line) + ": error: ";
        EXPECT_EQ(0u, r.output.find(where)) << r.output;
        EXPECT_NE(std::string::npos, r.output.find(c.reason)) << r.output;
        EXPECT_EQ(1, std::count(r.output.begin(), r.output.end(), '\n')) << r.output;
        EXPECT_FALSE(Wrote(runs[i].folder));
    }
}

} // namespace
