#include "ModuleTestSupport.h"
#include "TempRegistry.h"
#include "TestCounter.h"

#include "platform/Activation.h"
#include "platform/ComPtr.h"
#include "platform/Module.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Every key of a registry file, and every value as "key|line".
std::set<std::string> Entries(const std::string& text)
{
    std::set<std::string> entries;
    std::istringstream lines(text);
    std::string line, key;
    std::getline(lines, line); // header
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        if (line.front() == '[') {
            key = line.substr(1, line.size() - 2);
            entries.insert(key);
        } else {
            entries.insert(key + "|" + line);
        }
    }
    return entries;
}

TEST(ModuleServerTest, RegistersExactlyTheEntriesOfEachClassAndItsLibrary)
{
    TempRegistry reg;
    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, false), S_OK);

    const std::string path = RealModulePath(TS_TEST_MODULE);
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string clsid = GuidToString(CLSID_TestCounter);
    const std::string libid = GuidToString(LIBID_TsTestModule);
    const std::string iid = GuidToString(ITestCounter::iid);
    const std::string cls = R"(HKEY_CLASSES_ROOT\CLSID\)" + clsid;
    const std::string lib = R"(HKEY_CLASSES_ROOT\TypeLib\)" + libid;
    const std::string itf = R"(HKEY_CLASSES_ROOT\Interface\)" + iid;
    const std::set<std::string> expected = {
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter.1)",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter.1|@="TestCounter Class")",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter.1\CLSID)",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter.1\CLSID|@=")" + clsid + "\"",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter)",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter|@="TestCounter Class")",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter\CLSID)",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter\CLSID|@=")" + clsid + "\"",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter\CurVer)",
        R"(HKEY_CLASSES_ROOT\TsTestModule.TestCounter\CurVer|@="TsTestModule.TestCounter.1")",
        R"(HKEY_CLASSES_ROOT\CLSID)",
        cls,
        cls + R"(|@="TestCounter Class")",
        cls + R"(\ProgID)",
        cls + R"(\ProgID|@="TsTestModule.TestCounter.1")",
        cls + R"(\VersionIndependentProgID)",
        cls + R"(\VersionIndependentProgID|@="TsTestModule.TestCounter")",
        cls + R"(\Programmable)",
        cls + R"(\InprocServer32)",
        cls + R"(\InprocServer32|@=")" + path + "\"",
        cls + R"(\InprocServer32|"ThreadingModel"="Both")",
        cls + R"(\TypeLib)",
        cls + R"(\TypeLib|@=")" + libid + "\"",
        R"(HKEY_CLASSES_ROOT\TypeLib)",
        lib,
        lib + R"(\1.0)",
        lib + R"(\1.0|@="Tessaly Test Module 1.0 Type Library")",
        lib + R"(\1.0\0)",
        lib + R"(\1.0\0\win32)",
        lib + R"(\1.0\0\win32|@=")" + path + "\"",
        lib + R"(\1.0\FLAGS)",
        lib + R"(\1.0\FLAGS|@="0")",
        lib + R"(\1.0\HELPDIR)",
        lib + R"(\1.0\HELPDIR|@=")" + folder + "\"",
        R"(HKEY_CLASSES_ROOT\Interface)",
        itf,
        itf + R"(|@="ITestCounter")",
        itf + R"(\TypeLib)",
        itf + R"(\TypeLib|@=")" + libid + "\"",
        itf + R"(\TypeLib|"Version"="1.0")",
    };
    EXPECT_EQ(Entries(TempRegistry::Read(reg.UserFile())), expected);
}

TEST(ModuleServerTest, UnregisteringRemovesOnlyTheModulesEntries)
{
    TempRegistry reg;
    const std::string lib = R"(HKEY_CLASSES_ROOT\TypeLib\)" + GuidToString(LIBID_TsTestModule);
    ASSERT_EQ(Registry::Update([&](Registry::Edit& e) {
                  e.SetString(R"(HKEY_CLASSES_ROOT\Other.Thing\CLSID)", "", "{other}");
                  e.SetString(R"(HKEY_CLASSES_ROOT\CLSID\{other}\InprocServer32)", "", "/opt/other.so");
                  e.SetString(lib + R"(\2.0\0\win32)", "", "/opt/newer.so");
                  e.SetString(R"(HKEY_CLASSES_ROOT\Interface\{other})", "", "IOther");
              }),
              S_OK);
    const std::string before = TempRegistry::Read(reg.UserFile());

    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, false), S_OK);
    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, true), S_OK);
    EXPECT_EQ(TempRegistry::Read(reg.UserFile()), before) << "version 2.0 of the library stays registered";

    // Without another version the library's key goes too.
    ASSERT_EQ(Registry::Update([&](Registry::Edit& e) { e.DeleteTree(lib); }), S_OK);
    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, false), S_OK);
    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, true), S_OK);
    EXPECT_FALSE(Registry::KeyExists(lib));
    EXPECT_EQ(RegisterServerModule(TS_TEST_MODULE, true), S_OK) << "unregistering twice is harmless";
}

TEST(ModuleServerTest, RegistrationsFromSeveralProcessesAllLand)
{
    TempRegistry reg;
    constexpr unsigned kProcesses = 6;
    std::vector<pid_t> children;
    for (unsigned n = 0; n < kProcesses; ++n) {
        std::string number = std::to_string(n);
        char* argv[] = {const_cast<char*>(TS_REGISTRY_WRITER), const_cast<char*>("module"), number.data(), nullptr};
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    EXPECT_EQ(Registry::FileProblem(reg.UserFile()), std::nullopt);
    const std::string writer = RealModulePath(TS_REGISTRY_WRITER);
    for (unsigned n = 0; n < kProcesses; ++n) {
        CLSID clsid = MakeGuid("{A0000000-0000-4000-8000-000000000000}");
        clsid.Data1 += n;
        const std::string key = R"(HKEY_CLASSES_ROOT\CLSID\)" + GuidToString(clsid);
        EXPECT_EQ(Registry::GetString(key + R"(\InprocServer32)"), writer) << "a program is found through /proc";
        EXPECT_EQ(Registry::GetString(key + R"(\ProgID)"), "TsWriter.Class" + std::to_string(n) + ".1");
        CLSID found{};
        std::u16string progId = u"TsWriter.Class" + std::u16string(1, static_cast<char16_t>(u'0' + n));
        EXPECT_EQ(CLSIDFromProgID(progId.c_str(), &found), S_OK);
        EXPECT_EQ(found, clsid);
    }
}

// A module description of this test program's own, for the class factory.
struct LocalModule {
    static inline int created = 0;
    static inline IUnknown* lastOuter = nullptr;
    static HRESULT Create(IUnknown* outer, REFIID, void** object)
    {
        ++created;
        lastOuter = outer;
        *object = nullptr;
        return E_NOTIMPL;
    }

    CoClassDescription coclass{"Local",           MakeGuid("{B0000000-0000-4000-8000-000000000001}"),
                               "Local.Thing.1",   "Local.Thing",
                               "Local Class",     nullptr,
                               nullptr};
    ClassEntry entry{&coclass, &Create};
    ModuleState state;
    ModuleDescription module{nullptr, &entry, 1, &state};
};

TEST(ModuleServerTest, TheClassFactoryCountsAsALiveObject)
{
    LocalModule local;
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(ModuleGetClassObject(local.module, local.coclass.clsid, IClassFactory::iid, factory.OutVoid()), S_OK);
    EXPECT_EQ(local.state.Objects(), 1);
    EXPECT_EQ(ModuleCanUnloadNow(local.module), S_FALSE);

    // CreateInstance goes to the class's creation function, aggregation checked first.
    void* object = nullptr;
    IUnknown* outer = factory.Get();
    EXPECT_EQ(factory->CreateInstance(outer, IUnknown::iid, &object), E_NOTIMPL);
    EXPECT_EQ(LocalModule::created, 1);
    EXPECT_EQ(LocalModule::lastOuter, outer);
    EXPECT_EQ(factory->CreateInstance(outer, IDispatch::iid, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(LocalModule::created, 1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IDispatch::iid, nullptr), E_POINTER);

    EXPECT_EQ(factory->LockServer(1), S_OK);
    factory.Reset();
    EXPECT_EQ(local.state.Objects(), 0);
    EXPECT_EQ(ModuleCanUnloadNow(local.module), S_FALSE) << "locked";
    ASSERT_EQ(ModuleGetClassObject(local.module, local.coclass.clsid, IUnknown::iid, factory.OutVoid()), S_OK);
    EXPECT_EQ(factory->LockServer(0), S_OK);
    factory.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(local.module), S_OK);

    void* none = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(ModuleGetClassObject(local.module, CLSID_TestCounter, IClassFactory::iid, &none),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(ModuleGetClassObject(local.module, local.coclass.clsid, IDispatch::iid, &none), E_NOINTERFACE);
    EXPECT_EQ(local.state.Objects(), 0) << "a factory nobody took is gone";
    EXPECT_EQ(ModuleGetClassObject(local.module, local.coclass.clsid, IClassFactory::iid, nullptr), E_POINTER);

    local.module.state = nullptr;
    EXPECT_EQ(ModuleCanUnloadNow(local.module), S_FALSE) << "without bookkeeping a module stays";
}

TEST(ModuleServerTest, RefusesDescriptionsThatWouldMisplaceKeys)
{
    TempRegistry reg;
    LocalModule local;
    local.coclass.progId = "Local\\Thing.1";
    EXPECT_EQ(ModuleRegisterServer(local.module), SELFREG_E_CLASS);
    EXPECT_EQ(ModuleUnregisterServer(local.module), SELFREG_E_CLASS);
    EXPECT_FALSE(std::filesystem::exists(reg.UserFile()));

    // Without names a class still gets its class id entries; the path is this program.
    local.coclass.progId = nullptr;
    local.coclass.versionIndependentProgId = nullptr;
    ASSERT_EQ(ModuleRegisterServer(local.module), S_OK);
    const std::string key = R"(HKEY_CLASSES_ROOT\CLSID\)" + GuidToString(local.coclass.clsid);
    EXPECT_EQ(Registry::GetString(key + R"(\InprocServer32)"), RealModulePath("/proc/self/exe"));
    EXPECT_FALSE(Registry::KeyExists(key + R"(\ProgID)"));
    EXPECT_FALSE(Registry::KeyExists(key + R"(\TypeLib)"));
}

} // namespace
