// What a script sees: tshost runs VBScript against the registered module and
// the quiz-service double.
#include "tests/automation/AutomationTestFixture.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using tstest::PeerReply;
using tstest::QuizServiceDouble;

struct ScriptRun {
    int status = -1;
    std::string output;  // standard output and standard error
};

class HostScriptTest : public AutomationTest {
protected:
    void SetUp() override
    {
#ifndef TS_TSHOST
        GTEST_SKIP() << "tshost is not part of this build";
#endif
    }

    // Runs `tshost run FILE ARGUMENTS`.
    static ScriptRun RunFile(const std::string& file, const std::string& arguments = "")
    {
        ScriptRun run;
#ifdef TS_TSHOST
        const std::string command = std::string("\"") + TS_TSHOST + "\" run \"" + file + "\" " + arguments + " 2>&1";
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[4096];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
                run.output.append(buffer, n);
            const int status = pclose(pipe);
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
#else
        (void)file;
        (void)arguments;
#endif
        return run;
    }

    // Runs `tshost run` on the script text.
    static ScriptRun Run(const std::string& script, const std::string& arguments = "")
    {
        char name[] = "/tmp/tessaly-script-XXXXXX.vbs";
        const int fd = mkstemps(name, 4);
        EXPECT_GE(fd, 0);
        close(fd);
        std::ofstream(name, std::ios::binary) << script;
        ScriptRun run = RunFile(name, arguments);
        std::remove(name);
        return run;
    }

    std::string ValidateScript(const std::string& url, bool resumeOnError = false) const
    {
        return std::string(resumeOnError ? "On Error Resume Next\n" : "") +
               "Set u = CreateObject(\"TessalyLib.TsUser\")\n"
               "Set r = u.Validate(\"" + url + "\", \"teacher\", \"secret\")\n"
               "WScript.Echo r.IsSuccess, r.ErrorCode, r.ErrorText\n"
               "WScript.Echo u.UserName, u.Password, u.ServerURL\n";
    }
};

TEST_F(HostScriptTest, ValidateShowsTheOutcomeOfEachReply)
{
    struct Case {
        const char* what;
        std::optional<PeerReply> reply;  // none: the server cannot be reached
        std::string firstLine;           // a prefix for the parse error
    };
    const Case cases[] = {
        {"valid", PeerReply::Ok(QuizServiceDouble::Response(0)), "True 0 No error text specified\n"},
        {"application error", PeerReply::Ok(QuizServiceDouble::Response(7, "Account locked")),
         "False 7 Account locked\n"},
        {"no response", PeerReply::Ok(QuizServiceDouble::Envelope("<nothing/>")), "False -3 No response found\n"},
        {"no error_code", PeerReply::Ok(QuizServiceDouble::Response(std::nullopt)),
         "False -4 No error text specified\n"},
        {"fault under another prefix",
         PeerReply::Ok("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><e:Fault>"
                       "<faultcode>e:Server</faultcode><faultstring>Try later</faultstring></e:Fault></e:Body>"
                       "</e:Envelope>"),
         "False -1 Fault (e:Server) Try later\n"},
        {"malformed", PeerReply::Ok("<response error_code=\"0\""), "False -1 ErrorCode: "},
        {"unreachable", std::nullopt, "False -1 The attempt to connect to the server failed.\n"},
    };
    for (const Case& c : cases) {
        std::string url = service.Url();
        if (c.reply) {
            service.Respond("validateUser", *c.reply);
        } else {
            tstest::HttpPeer gone;
            url = gone.Url("/service");
        }
        const ScriptRun run = Run(ValidateScript(url));
        EXPECT_EQ(run.status, 0) << c.what << ": " << run.output;
        EXPECT_EQ(run.output.substr(0, c.firstLine.size()), c.firstLine) << c.what;
        const std::string secondLine = "teacher secret " + url + "\n";
        EXPECT_TRUE(run.output.size() >= secondLine.size() &&
                    run.output.compare(run.output.size() - secondLine.size(), secondLine.size(), secondLine) == 0)
            << c.what << ": " << run.output;
    }
    EXPECT_EQ(service.LastCall().Outline(),
              "ns1:validateUser{xmlns:ns1=urn:tessalyUser}(request{user_name=teacher password=secret})");
}

TEST_F(HostScriptTest, ANonNumericErrorCodeFailsTheCall)
{
    service.Respond("validateUser", QuizServiceDouble::Envelope("<response error_code=\"x1\"/>"));
    ScriptRun run = Run("On Error Resume Next\n"
                        "Set u = CreateObject(\"TessalyLib.TsUser.1\")\n"
                        "Set r = u.Validate(\"" + service.Url() + "\", \"teacher\", \"secret\")\n"
                        "WScript.Echo Hex(Err.Number), Err.Source\n"
                        "WScript.Echo u.UserName\n");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "80020005 TessalyLib.TsUser.1\nteacher\n");

    run = Run(ValidateScript(service.Url()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output.rfind("error 0x80020005 (TessalyLib.TsUser.1): ", 0), 0u) << run.output;
}

TEST_F(HostScriptTest, TheTimeOutStartsAt30000InEachProcessAndIsShared)
{
    service.Respond("validateUser", PeerReply::Ok(QuizServiceDouble::Response(0)).After(std::chrono::milliseconds(2000)));
    const ScriptRun run = Run("Set s = CreateObject(\"TessalyLib.TsService\")\n"
                              "Set t = CreateObject(\"TessalyLib.TsService.1\")\n"
                              "WScript.Echo s.TimeoutMs\n"
                              "t.TimeoutMs = 200\n"
                              "WScript.Echo s.TimeoutMs\n"
                              "Set u = CreateObject(\"TessalyLib.TsUser\")\n"
                              "Set r = u.Validate(\"" + service.Url() + "\", \"teacher\", \"secret\")\n"
                              "WScript.Echo r.ErrorCode, r.ErrorText\n");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "30000\n200\n-1 Connection timeout accessing " + service.Url() + "\n");
}

TEST_F(HostScriptTest, TheExampleScriptValidatesAgainstTheUrlGiven)
{
    service.Respond("validateUser", QuizServiceDouble::Response(0, "Welcome"));
    const ScriptRun run =
        RunFile(std::string(TS_SOURCE_DIR) + "/examples/scripts/validate.vbs", service.Url() + " teacher secret");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "Server:    " + service.Url() +
                              "\nUser:      teacher\nValid:     True\nErrorCode: 0\nErrorText: Welcome\n");
}

} // namespace
