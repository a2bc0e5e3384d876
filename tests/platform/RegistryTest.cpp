#include "TempRegistry.h"

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00\n";

HRESULT SetString(std::string key, std::string name, std::string value)
{
    return Registry::Update([&](Registry::Edit& e) { e.SetString(key, name, value); });
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RegistryTest, WritesTheExportFormat)
{
    TempRegistry reg;
    ASSERT_EQ(Registry::Update([](Registry::Edit& e) {
                  e.SetString(R"(HKEY_CLASSES_ROOT\CLSID\{X}\InprocServer32)", "", "/opt/lib/libA.so");
                  e.SetString(R"(HKEY_CLASSES_ROOT\CLSID\{X}\InprocServer32)", "ThreadingModel", "Both");
                  e.CreateKey(R"(HKEY_CLASSES_ROOT\CLSID\{X}\Programmable)");
                  e.SetDword(R"(HKEY_LOCAL_MACHINE\SOFTWARE\Tessaly)", "Count", 0x1f);
              }),
              S_OK);
    EXPECT_EQ(TempRegistry::Read(reg.UserFile()), std::string(kHeader) + "\n"
                                                                         "[HKEY_CLASSES_ROOT\\CLSID]\n\n"
                                                                         "[HKEY_CLASSES_ROOT\\CLSID\\{X}]\n\n"
                                                                         "[HKEY_CLASSES_ROOT\\CLSID\\{X}\\InprocServer32]\n"
                                                                         "@=\"/opt/lib/libA.so\"\n"
                                                                         "\"ThreadingModel\"=\"Both\"\n\n"
                                                                         "[HKEY_CLASSES_ROOT\\CLSID\\{X}\\Programmable]\n\n"
                                                                         "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                                                                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly]\n"
                                                                         "\"Count\"=dword:0000001f\n\n");
}

TEST(RegistryTest, OddCharactersSurviveAWriteAndAFreshParse)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", R"(C:\Program Files\"quoted"\)"},
        {"line breaks", "one\ntwo\r\nthree\r"},
        {"tab and brackets", "\t[not a key]\t= ;not a comment"},
        {"utf-8", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93"},
        {"empty", ""},
        {"trailing blanks", "  padded  "},
        {"@", "a value named @ is not the default"},
        {R"(name with \ and ")", R"(\\server\share)"},
        {"=;[", "\\n is not a line break"},
    };
    TempRegistry reg;
    const std::string key = R"(HKEY_CURRENT_USER\Odd ]Key[\sub key)";
    ASSERT_EQ(Registry::Update([&](Registry::Edit& e) {
                  for (const auto& [name, value] : cases)
                      e.SetString(key, name, value);
              }),
              S_OK);

    // The same text under a new file name forces a parse of what was written.
    const std::string copy = (reg.Folder() / "copy.reg").string();
    TempRegistry::Write(copy, TempRegistry::Read(reg.UserFile()));
    setenv("TESSALY_REGISTRY", copy.c_str(), 1);
    EXPECT_EQ(Registry::FileProblem(copy), std::nullopt);
    for (const auto& [name, value] : cases)
        EXPECT_EQ(Registry::GetString(key, name), value) << "value " << name;
    EXPECT_EQ(Registry::SubKeys(R"(HKEY_CURRENT_USER\Odd ]Key[)"), std::vector<std::string>{"sub key"});

    // An update that changes nothing leaves the file as it was, byte for byte.
    const std::string before = TempRegistry::Read(copy);
    ASSERT_EQ(SetString(key, "empty", ""), S_OK);
    EXPECT_EQ(TempRegistry::Read(copy), before);
}

TEST(RegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling)
{
    TempRegistry reg;
    ASSERT_EQ(SetString(R"(HKEY_CLASSES_ROOT\MyApp.Thing\CLSID)", "Name", "1"), S_OK);
    ASSERT_EQ(SetString(R"(hkey_classes_root\MYAPP.THING\clsid)", "NAME", "2"), S_OK);

    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\myapp.thing\Clsid)", "name"), "2");
    EXPECT_TRUE(Registry::KeyExists(R"(Hkey_Classes_Root\MYAPP.thing)"));
    EXPECT_EQ(Registry::SubKeys(R"(HKEY_CLASSES_ROOT\myapp.thing)"), std::vector<std::string>{"CLSID"});
    const std::string text = TempRegistry::Read(reg.UserFile());
    EXPECT_NE(text.find("[HKEY_CLASSES_ROOT\\MyApp.Thing\\CLSID]\n\"Name\"=\"2\"\n"), std::string::npos) << text;

    ASSERT_EQ(Registry::Update([](Registry::Edit& e) { e.DeleteTree(R"(HKEY_CLASSES_ROOT\MYAPP.thing)"); }), S_OK);
    EXPECT_FALSE(Registry::KeyExists(R"(HKEY_CLASSES_ROOT\MyApp.Thing)"));
}

TEST(RegistryTest, EditsBeyondSettingValues)
{
    TempRegistry reg;
    const std::string key = R"(HKEY_CLASSES_ROOT\TypeLib\{L})";
    ASSERT_EQ(Registry::Update([&](Registry::Edit& e) {
                  e.SetString(key + R"(\1.0\0\win32)", "", "/a.so");
                  e.SetString(key + R"(\2.0)", "", "two");
                  e.SetString(key + R"(\2.0)", "Gone", "x");
                  e.SetDword(key + R"(\2.0)", "Number", 7);
              }),
              S_OK);
    ASSERT_EQ(Registry::Update([&](Registry::Edit& e) {
                  e.DeleteValue(key + R"(\2.0)", "gone");
                  e.DeleteValue(key + R"(\9.9)", "missing is fine");
                  e.DeleteTree(key + R"(\1.0)");
                  e.DeleteKeyIfEmpty(key); // still holds 2.0
              }),
              S_OK);
    EXPECT_EQ(Registry::SubKeys(key), std::vector<std::string>{"2.0"});
    EXPECT_EQ(Registry::GetString(key + R"(\2.0)", "Gone"), std::nullopt);
    EXPECT_EQ(Registry::GetString(key + R"(\2.0)", "Number"), std::nullopt) << "a dword is not a string";

    ASSERT_EQ(Registry::Update([&](Registry::Edit& e) {
                  e.DeleteTree(key + R"(\2.0)");
                  e.DeleteKeyIfEmpty(key);
              }),
              S_OK);
    EXPECT_FALSE(Registry::KeyExists(key));
    EXPECT_TRUE(Registry::KeyExists(R"(HKEY_CLASSES_ROOT\TypeLib)"));
}

TEST(RegistryTest, AnUnusableEditSpoilsTheWholeUpdate)
{
    TempRegistry reg;
    ASSERT_EQ(SetString(R"(HKEY_CLASSES_ROOT\Keep)", "", "kept"), S_OK);
    const std::string before = TempRegistry::Read(reg.UserFile());
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"(HKEY_NOWHERE\Key)", "x"},
        {R"(HKEY_CLASSES_ROOT\\Key)", "x"},
        {R"(HKEY_CLASSES_ROOT\Key\)", "x"},
        {"", "x"},
        {"HKEY_CLASSES_ROOT\\Line\nBreak", "x"},
        {R"(HKEY_CLASSES_ROOT\Key)", std::string("zero\0byte", 9)},
    };
    for (const auto& [key, value] : cases) {
        HRESULT hr = Registry::Update([&](Registry::Edit& e) {
            e.SetString(R"(HKEY_CLASSES_ROOT\Keep)", "", "changed");
            e.SetString(key, "", value);
        });
        EXPECT_EQ(hr, E_INVALIDARG) << key;
    }
    EXPECT_EQ(TempRegistry::Read(reg.UserFile()), before);
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\Keep)"), "kept");
}

TEST(RegistryTest, ReadsHandWrittenFiles)
{
    TempRegistry reg;
    TempRegistry::Write(reg.UserFile(), "\xEF\xBB\xBF\r\n"
                                        "Windows Registry Editor Version 5.00\r\n"
                                        "; a comment\r\n"
                                        "\r\n"
                                        "  [HKEY_CLASSES_ROOT\\A\\B]  \r\n"
                                        "@ = \"default\"\r\n"
                                        "\"Dword\"=DWORD:FF\r\n"
                                        "\"Removed\"=\"x\"\r\n"
                                        "[HKEY_CLASSES_ROOT\\Gone\\Child]\r\n"
                                        "@=\"x\"\r\n"
                                        "[-HKEY_CLASSES_ROOT\\Gone]\r\n"
                                        "[hkey_classes_root\\a\\b]\r\n"
                                        "\"Removed\"=-\r\n"
                                        "\"Second\"=\"merged\"\r\n");
    EXPECT_EQ(Registry::FileProblem(reg.UserFile()), std::nullopt);
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\A\B)"), "default");
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\A\B)", "Second"), "merged");
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\A\B)", "Removed"), std::nullopt);
    EXPECT_TRUE(Registry::KeyExists(R"(HKEY_CLASSES_ROOT\A)")) << "a parent key exists with its child";
    EXPECT_FALSE(Registry::KeyExists(R"(HKEY_CLASSES_ROOT\Gone)"));

    ASSERT_EQ(SetString(R"(HKEY_CLASSES_ROOT\A\B)", "Third", "added"), S_OK);
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\A\B)", "Dword"), std::nullopt);
    const std::string text = TempRegistry::Read(reg.UserFile());
    EXPECT_NE(text.find("\"Dword\"=dword:000000ff\n"), std::string::npos) << text;

    TempRegistry::Write(reg.UserFile(), "");
    EXPECT_EQ(Registry::FileProblem(reg.UserFile()), std::nullopt) << "an empty file is an empty registry";
    EXPECT_EQ(SetString(R"(HKEY_CLASSES_ROOT\A)", "", "x"), S_OK);
}

TEST(RegistryTest, MalformedFilesAreNeitherReadNorRewritten)
{
    const std::string header = "Windows Registry Editor Version 5.00\n";
    const std::string good = "[HKEY_CLASSES_ROOT\\Good]\n@=\"seen?\"\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"REGEDIT4\n" + good, "line 1"},
        {header + "@=\"before any key\"\n" + good, "line 2"},
        {header + good + "\"open\"=\"no end\n", "line 4"},
        {header + good + "\"escape\"=\"\\q\"\n", "line 4"},
        {header + good + "\"binary\"=hex:01,02\n", "line 4"},
        {header + good + "\"big\"=dword:123456789\n", "line 4"},
        {header + good + "\"text after\"=\"a\" b\n", "line 4"},
        {header + good + "[HKEY_CLASSES_ROOT\\No end\n", "line 4"},
        {header + good + "[HKEY_SOMEWHERE\\Key]\n", "line 4"},
        {header + good + "[HKEY_CLASSES_ROOT\\\\Empty]\n", "line 4"},
        {header + good + "just words\n", "line 4"},
        {header + good + std::string("\"zero\"=\"a\0b\"\n", 13), "line 4"},
        {header + good + "[-HKEY_CLASSES_ROOT\\Good]\n\"x\"=\"under a deleted key\"\n", "line 5"},
    };
    for (const auto& [text, where] : cases) {
        TempRegistry reg;
        TempRegistry::Write(reg.UserFile(), text);
        auto problem = Registry::FileProblem(reg.UserFile());
        ASSERT_TRUE(problem.has_value()) << text;
        EXPECT_EQ(problem->rfind(where + ":", 0), 0u) << *problem;
        EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\Good)"), std::nullopt) << text;
        EXPECT_EQ(SetString(R"(HKEY_CLASSES_ROOT\New)", "", "x"), REGDB_E_READREGDB);
        EXPECT_EQ(TempRegistry::Read(reg.UserFile()), text);
    }
}

TEST(RegistryTest, MissingAndUnreadableFiles)
{
    TempRegistry reg;
    // Missing: reads as empty; the first update creates the file and its folders.
    const std::string nested = (reg.Folder() / "a" / "b" / "registry.reg").string();
    setenv("TESSALY_REGISTRY", nested.c_str(), 1);
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\X)"), std::nullopt);
    EXPECT_EQ(Registry::FileProblem(nested), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(nested)) << "a look-up never creates the file";
    ASSERT_EQ(SetString(R"(HKEY_CLASSES_ROOT\X)", "", "made"), S_OK);
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\X)"), "made");

    // Unreadable (a folder where the file should be): nothing seen, nothing written.
    const std::string folder = (reg.Folder() / "folder.reg").string();
    std::filesystem::create_directory(folder);
    setenv("TESSALY_REGISTRY", folder.c_str(), 1);
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\X)"), std::nullopt);
    EXPECT_TRUE(Registry::FileProblem(folder).has_value());
    EXPECT_EQ(SetString(R"(HKEY_CLASSES_ROOT\X)", "", "x"), REGDB_E_READREGDB);
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    // A folder that cannot be created: the write fails cleanly.
    const std::string blocked = (reg.Folder() / "a" / "b" / "registry.reg" / "inner.reg").string();
    setenv("TESSALY_REGISTRY", blocked.c_str(), 1);
    EXPECT_EQ(SetString(R"(HKEY_CLASSES_ROOT\X)", "", "x"), REGDB_E_WRITEREGDB);
}

TEST(RegistryTest, LookUpsFallBackToTheSystemFile)
{
    TempRegistry reg;
    TempRegistry::Write(reg.SystemFile(), std::string(kHeader) + "[HKEY_CLASSES_ROOT\\Shared]\n"
                                                                 "@=\"system\"\n"
                                                                 "\"OnlySystem\"=\"s\"\n"
                                                                 "[HKEY_CLASSES_ROOT\\Shared\\FromSystem]\n"
                                                                 "[HKEY_CLASSES_ROOT\\SystemOnly]\n"
                                                                 "@=\"sys\"\n");
    ASSERT_EQ(Registry::Update([](Registry::Edit& e) {
                  e.SetString(R"(HKEY_CLASSES_ROOT\Shared)", "", "user");
                  e.CreateKey(R"(HKEY_CLASSES_ROOT\Shared\FromUser)");
                  e.CreateKey(R"(HKEY_CLASSES_ROOT\Shared\fromsystem)");
              }),
              S_OK);
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\Shared)"), "user");
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\Shared)", "OnlySystem"), "s");
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\SystemOnly)"), "sys");
    EXPECT_EQ(Registry::SubKeys(R"(HKEY_CLASSES_ROOT\Shared)"), (std::vector<std::string>{"FromUser", "fromsystem"}));
    EXPECT_EQ(TempRegistry::Read(reg.SystemFile()).find("user"), std::string::npos) << "writes go to the user's file";

    // A broken user file hides only itself.
    TempRegistry::Write(reg.UserFile(), "garbage\n");
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\Shared)"), "system");
}

TEST(RegistryTest, FileLocationsFollowTheEnvironment)
{
    TempRegistry reg;
    std::optional<std::string> home, config;
    if (const char* v = getenv("HOME"))
        home = v;
    if (const char* v = getenv("XDG_CONFIG_HOME"))
        config = v;

    EXPECT_EQ(Registry::UserFilePath(), reg.UserFile());
    EXPECT_EQ(Registry::SystemFilePath(), reg.SystemFile());
    unsetenv("TESSALY_REGISTRY");
    unsetenv("TESSALY_SYSTEM_REGISTRY");
    setenv("HOME", "/home/teacher", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(Registry::UserFilePath(), "/cfg/tessaly/registry.reg");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(Registry::UserFilePath(), "/home/teacher/.config/tessaly/registry.reg");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Registry::UserFilePath(), "/home/teacher/.config/tessaly/registry.reg");
    EXPECT_EQ(Registry::SystemFilePath(), "/etc/tessaly/registry.reg");

    home ? setenv("HOME", home->c_str(), 1) : unsetenv("HOME");
    config ? setenv("XDG_CONFIG_HOME", config->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

TEST(RegistryTest, SeesFilesReplacedOrRewrittenBehindItsBack)
{
    TempRegistry reg;
    auto write = [&](const std::string& value) {
        return std::string(kHeader) + "[HKEY_CLASSES_ROOT\\K]\n@=\"" + value + "\"\n";
    };
    TempRegistry::Write(reg.UserFile(), write("one"));
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\K)"), "one");

    // Replaced by rename with a text of the same size.
    const std::string other = (reg.Folder() / "other.reg").string();
    TempRegistry::Write(other, write("two"));
    std::filesystem::rename(other, reg.UserFile());
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\K)"), "two");

    // Rewritten in place with a text of another size.
    TempRegistry::Write(reg.UserFile(), write("three"));
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\K)"), "three");
    std::filesystem::remove(reg.UserFile());
    EXPECT_EQ(Registry::GetString(R"(HKEY_CLASSES_ROOT\K)"), std::nullopt);
}

TEST(RegistryTest, WritesReplaceTheFileAndKeepItsModeAndLinks)
{
    TempRegistry reg;
    ASSERT_EQ(SetString(R"(HKEY_CLASSES_ROOT\A)", "", "1"), S_OK);
    ASSERT_EQ(chmod(reg.UserFile().c_str(), 0640), 0);
    ASSERT_EQ(SetString(R"(HKEY_CLASSES_ROOT\A)", "", "2"), S_OK);
    struct stat st;
    ASSERT_EQ(stat(reg.UserFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(reg.Folder()), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}))
        << "no temporary file is left behind";

    // A registry file that is a link: the link stays and its target changes.
    const std::string link = (reg.Folder() / "link.reg").string();
    std::filesystem::create_symlink(reg.UserFile(), link);
    setenv("TESSALY_REGISTRY", link.c_str(), 1);
    ASSERT_EQ(SetString(R"(HKEY_CLASSES_ROOT\A)", "", "3"), S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(TempRegistry::Read(reg.UserFile()).find("@=\"3\""), std::string::npos);
}

TEST(RegistryTest, ConcurrentThreadsLoseNoUpdate)
{
    TempRegistry reg;
    constexpr int kThreads = 4, kEach = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int n = 0; n < kEach; ++n) {
                std::string key = R"(HKEY_CLASSES_ROOT\T)" + std::to_string(t) + "\\" + std::to_string(n);
                EXPECT_EQ(SetString(key, "", "v"), S_OK);
                EXPECT_EQ(Registry::GetString(key), "v");
            }
        });
    for (auto& t : threads)
        t.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(Registry::SubKeys(R"(HKEY_CLASSES_ROOT\T)" + std::to_string(t)).size(), size_t{kEach});
}

pid_t Spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    return pid;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RegistryTest, ConcurrentProcessesLoseNoUpdate)
{
    TempRegistry reg;
    constexpr int kProcesses = 4, kEach = 20;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p)
        children.push_back(Spawn({TS_REGISTRY_WRITER, "keys", "P" + std::to_string(p), std::to_string(kEach)}));
    for (pid_t pid : children)
        EXPECT_EQ(WaitFor(pid), 0);

    EXPECT_EQ(Registry::FileProblem(reg.UserFile()), std::nullopt);
    for (int p = 0; p < kProcesses; ++p) {
        std::string prefix = "P" + std::to_string(p);
        for (int n = 0; n < kEach; ++n)
            EXPECT_EQ(Registry::GetString("HKEY_CLASSES_ROOT\\" + prefix + "\\" + std::to_string(n), "Writer"), prefix);
    }
    EXPECT_EQ(FilesIn(reg.Folder()), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

} // namespace
