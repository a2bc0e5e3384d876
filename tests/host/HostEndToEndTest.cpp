// The real tshost binary: registration with `tshost regsvr`, then scripts
// that drive the registered module purely by late binding.
#include "HostProcessFixture.h"

#include "host/script/ScriptError.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

class HostEndToEnd : public HostProcessFixture {
protected:
    void SetUp() override
    {
        ProcessResult r = RegisterInFreshRegistry(TS_HOST_TEST_MODULE, "tshost-test");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out + r.err, "");
    }

    // Runs a script from a file of this test's own.
    ProcessResult Run(const std::string& script) { return Host({"run", Write("script.vbs", script)}); }
};

constexpr const char* kCreate = "Set s = CreateObject(\"TsHostTest.Sample.1\")\n";

TEST_F(HostEndToEnd, PropertiesMethodsAndObjects)
{
    ProcessResult r = Run(std::string(kCreate) +
                          "s.Name = \"first\"\n"
                          "WScript.Echo s.Name, s, TypeName(s)\n"   // the default member is Name
                          "s.Cell(2, 3) = True\n"
                          "s.cell(1, 1) = False\n"
                          "WScript.Echo s.Cell(2, 3), s.Cell(1, 1), s.CELL(3, 2)\n"
                          "WScript.Echo s.Add(1), s.Add(1, 2), s.Add(\"4\", 2.5)\n"
                          "Set c = s.CreateChild(\"kid\")\n"
                          "Set s.Child = c\n"
                          "WScript.Echo c.Name, s.Child.Name, s.Child Is c, s Is c, s.Child.CreateChild(\"x\").Name\n"
                          "s.Touch\n"
                          "Call s.Touch()\n"
                          "s.Touch()\n"
                          "WScript.Echo s.Count, s.Ratio, s.Count * s.Ratio\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "first first Object\n"
                     "True False False\n"
                     "11 3 6\n"
                     "kid kid True False x\n"
                     "3 2.5 7.5\n");
    EXPECT_EQ(r.err, "");
}

// What the object receives for each kind of script value ("<type tag>:<text>").
TEST_F(HostEndToEnd, ArgumentsArePassedAsAutomationValues)
{
    ProcessResult r = Run(std::string(kCreate) +
                          "WScript.Echo s.Describe(1), s.Describe(70000), s.Describe(1.5), s.Describe(\"x\")\n"
                          "WScript.Echo s.Describe(True), s.Describe(s), s.Describe(Empty), s.Describe(Null)\n"
                          "WScript.Echo s.Describe(\"Grüße\"), s.Describe(&H80020009)\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2:1 3:70000 5:1.5 8:x\n"
                     "11:True 9:object 0: 1:\n"
                     "8:Grüße 3:-2147352567\n");
}

TEST_F(HostEndToEnd, FailuresOfMembersReachErr)
{
    ProcessResult r = Run(std::string(kCreate) +
                          "On Error Resume Next\n"
                          "s.Fail \"Boom\"\n"
                          "WScript.Echo Hex(Err.Number), Err.Source, Err.Description\n"
                          "s.Cell(0, 1) = True\n"
                          "WScript.Echo Err.Number, Err.Description\n"
                          "Err.Clear\n"
                          "s.FailWith &H80004001\n"
                          "WScript.Echo Hex(Err.Number), Err.Description\n"
                          "s.FailWith &H800A000D\n" // a control-facility code shows as its small number
                          "WScript.Echo Err.Number, Err.Description\n"
                          "x = s.Nope\n"
                          "WScript.Echo Hex(Err.Number), Err.Description\n"
                          "x = s.Add()\n"
                          "WScript.Echo Hex(Err.Number), Err.Description\n"
                          "x = s.Add(\"abc\")\n"
                          "WScript.Echo Hex(Err.Number), Err.Description\n"
                          "x = 5: x = s.Add(\"abc\"): WScript.Echo x\n");
    auto text = [](HRESULT code) { return WideToUtf8(script::SystemErrorText(code)); };
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "80020009 TsHostTest.Sample.1 Boom\n"
                     "-2147352567 Cell index out of bounds: row=0 col=1\n"
                     "80004001 " + text(E_NOTIMPL) + "\n"
                     "13 " + text(MakeHResult(0x800A000D)) + "\n"
                     "80020006 " + text(DISP_E_UNKNOWNNAME) + "\n"
                     "8002000E " + text(DISP_E_BADPARAMCOUNT) + "\n"
                     "80020005 " + text(DISP_E_TYPEMISMATCH) + "\n"
                     "5\n");
}

TEST_F(HostEndToEnd, UnhandledMemberFailurePrintsTheMembersReport)
{
    ProcessResult r = Run(std::string(kCreate) + "WScript.Echo \"before\"\ns.Fail \"Line index out of bounds\"\n"
                                                 "WScript.Echo \"after\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "before\n");
    EXPECT_EQ(r.err, "error 0x80020009 (TsHostTest.Sample.1): Line index out of bounds\n");

    r = Run(std::string(kCreate) + "s.Frobnicate\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "error 0x80020006 (tshost): " + WideToUtf8(script::SystemErrorText(DISP_E_UNKNOWNNAME)) +
                         " (line 2)\n");
}

TEST_F(HostEndToEnd, ScriptFromStandardInputWithArguments)
{
    ProcessResult r = Host({"run", "-", "one", "two words"},
                           std::string(kCreate) + "s.Name = WScript.Arguments(1)\r\n"
                                                  "WScript.Echo s.Name, WScript.Arguments.Count, "
                                                  "WScript.Arguments.Item(0), WScript.ScriptName\r\n"
                                                  "x = WScript.Arguments(2)\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "two words 2 one -\n");
    EXPECT_EQ(r.err, "error 0x800A0009 (tshost): Subscript out of range: 'WScript.Arguments' (line 4)\n");
}

TEST_F(HostEndToEnd, UnregisteringRemovesTheClassAndRegisteringRestoresIt)
{
    const std::string script = std::string(kCreate) + "WScript.Echo s.Add(1)\n";
    ASSERT_EQ(Host({"regsvr", "-u", TS_HOST_TEST_MODULE}).status, 0);
    ProcessResult gone = Run(script);
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.out, "");
    EXPECT_NE(gone.err.find("TsHostTest.Sample.1"), std::string::npos) << gone.err;
    EXPECT_NE(gone.err.find("(line 1)"), std::string::npos) << gone.err;

    ASSERT_EQ(Host({"regsvr", TS_HOST_TEST_MODULE}).status, 0);
    ProcessResult back = Run(script);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, "11\n");
}

TEST_F(HostEndToEnd, RegsvrReportsWhatWentWrong)
{
    fs::path text = dir_ / "notes.txt";
    std::ofstream(text) << "not a module\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message; // part of the error line
    };
    const Case cases[] = {
        {{"regsvr", (dir_ / "missing.so").string()}, 1, "not found"},
        {{"regsvr", text.string()}, 1, "failed to load"},
        {{"regsvr", dir_.string()}, 1, "is not a module file"},
        {{"regsvr", TS_PLATFORM_LIBRARY}, 1, "no entry point DllRegisterServer"},
        {{"regsvr", "-u", TS_PLATFORM_LIBRARY}, 1, "no entry point DllUnregisterServer"},
        {{"regsvr"}, 2, "usage"},
        {{"regsvr", "-x", TS_HOST_TEST_MODULE}, 2, "usage"},
        {{"regsvr", TS_HOST_TEST_MODULE, TS_HOST_TEST_MODULE}, 2, "usage"},
        {{"run"}, 2, "usage"},
        {{"run", (dir_ / "missing.vbs").string()}, 1, "error 0x80070002 (tshost): Cannot read script"},
        {{"frobnicate"}, 2, "unknown command"},
        {{}, 2, "usage"},
    };
    for (const Case& c : cases) {
        ProcessResult r = Host(c.args);
        std::string shown = c.args.empty() ? "" : c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : "");
        EXPECT_EQ(r.status, c.status) << shown;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << ": " << r.err;
        EXPECT_EQ(r.out, "") << shown;
    }
    // A registry file that does not parse: the registration fails and the file stays as it was.
    fs::path broken = dir_ / "broken.reg";
    std::ofstream(broken) << "garbage [[[\n";
    ProcessResult r = RunProcess({TSHOST_PATH, "regsvr", TS_HOST_TEST_MODULE}, {{"TESSALY_REGISTRY", broken.string()}});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("DllRegisterServer in \""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("failed with error 0x80040150"), std::string::npos) << r.err;
    std::ifstream kept(broken);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "garbage [[[\n");

    // None of the failures touched the registration that was there.
    ProcessResult still = Run(std::string(kCreate) + "WScript.Echo s.Add(2)\n");
    EXPECT_EQ(still.out, "12\n") << still.err;
}

// The sample scripts keep working: they run to the end without an error.
TEST_F(HostEndToEnd, ExampleScriptsRun)
{
    std::vector<std::string> scripts = {"language.vbs"};
#ifdef TS_SCANNER_MODULE
    ASSERT_EQ(Host({"regsvr", TS_SCANNER_MODULE}).status, 0);
    scripts.push_back("markgrid.vbs");
#endif
    for (const std::string& name : scripts) {
        ProcessResult r = Host({"run", std::string(TS_SOURCE_DIR) + "/examples/scripts/" + name});
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_EQ(r.err, "") << name;
        EXPECT_NE(r.out, "") << name;
    }
}

#ifdef TS_SCANNER_MODULE
// The mark grid component, found through the registry and driven by late binding.
TEST_F(HostEndToEnd, MarkGridThroughTheRegistry)
{
    ASSERT_EQ(Host({"regsvr", TS_SCANNER_MODULE}).status, 0);
    ProcessResult r = Run("Set g = CreateObject(\"TsScannerLib.TsScannerData\")\n"
                          "g.InitFromScannerData \"@AB@\", 12\n"
                          "WScript.Echo g.LineCount, g.ColCount, g.Value(1, 2), g.Value(2, 7), g.Value(1, 1)\n"
                          "On Error Resume Next\n"
                          "x = g.Value(0, 0)\n"
                          "WScript.Echo Hex(Err.Number)\n"
                          "WScript.Echo Err.Source\n"
                          "WScript.Echo Err.Description\n"
                          "On Error GoTo 0\n"
                          "g.Flip\n"
                          "WScript.Echo g.Value(2, 2), g.Value(1, 7), g.Value(1, 2), g.Value(2, 7)\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 12 True True False\n"
                     "80020009\n"
                     "TsScannerLib.TsScannerData.1\n"
                     "Line index out of bounds: max=2 index=0\n"
                     "True True False False\n");
}
#endif

} // namespace
