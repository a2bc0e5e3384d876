#include "ModuleTestSupport.h"
#include "TempRegistry.h"
#include "TestCounter.h"

#include "platform/Activation.h"
#include "platform/ComPtr.h"
#include "platform/Module.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

constexpr CLSID kUnknownClass = MakeGuid("{11111111-2222-3333-4444-555555555555}");

class ActivationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoFreeUnusedLibraries();
        ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, false), S_OK) << LastModuleLoadError();
    }

    static ComPtr<ITestCounter> Create(DWORD context = CLSCTX_INPROC_SERVER)
    {
        ComPtr<ITestCounter> counter;
        EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, context, ITestCounter::iid, counter.OutVoid()), S_OK);
        return counter;
    }

    static HRESULT CanUnloadNow()
    {
        void* handle = dlopen(RealModulePath(TS_TEST_MODULE).c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!handle)
            return E_UNEXPECTED;
        auto entry = reinterpret_cast<DllCanUnloadNowFunction>(dlsym(handle, "DllCanUnloadNow"));
        HRESULT hr = entry ? entry() : E_UNEXPECTED;
        dlclose(handle);
        return hr;
    }

    TempRegistry reg;
};

TEST_F(ActivationTest, CreatesObjectsOfARegisteredModule)
{
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"TsTestModule.TestCounter", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestCounter);

    // The server context the libraries pass (in-process, handler, local).
    ComPtr<ITestCounter> first = Create(7);
    ComPtr<ITestCounter> second = Create();
    ASSERT_TRUE(first && second);
    LONG total = 0;
    EXPECT_EQ(first->put_Value(5), S_OK);
    EXPECT_EQ(first->Add(3, &total), S_OK);
    EXPECT_EQ(total, 8);
    EXPECT_EQ(second->get_Value(&total), S_OK);
    EXPECT_EQ(total, 0) << "each creation makes a new object";
    EXPECT_TRUE(IsLoaded(TS_TEST_MODULE));
}

TEST_F(ActivationTest, ClassesThatCannotBeActivated)
{
    const std::string notAModule = (reg.Folder() / "notes.so").string();
    TempRegistry::Write(notAModule, "this is text, not a module");
    struct Case {
        const char* what;
        std::optional<std::string> server; // InprocServer32 of kUnknownClass; nullopt: no class key
        CLSID clsid;
        DWORD context;
        HRESULT expected;
        const char* reason; // expected in LastModuleLoadError, when set
    };
    const Case cases[] = {
        {"not registered", std::nullopt, kUnknownClass, CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG, nullptr},
        {"no server key", "", kUnknownClass, CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG, nullptr},
        {"no such file", "/nonexistent/libNothing.so", kUnknownClass, CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND,
         "/nonexistent/libNothing.so"},
        {"not a module", notAModule, kUnknownClass, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL, "notes.so"},
        {"unresolved symbol", TS_TEST_BROKEN_MODULE, kUnknownClass, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL,
         "TsFunctionThatNothingProvides"},
        {"no entry point", TS_PLATFORM_LIBRARY, kUnknownClass, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL,
         "DllGetClassObject"},
        {"class not in module", TS_TEST_MODULE, kUnknownClass, CLSCTX_INPROC_SERVER, CLASS_E_CLASSNOTAVAILABLE,
         nullptr},
        {"no in-process context", std::nullopt, CLSID_TestCounter, CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG, nullptr},
    };
    for (const Case& c : cases) {
        const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(kUnknownClass);
        ASSERT_EQ(Registry::Update([&](Registry::Edit& e) {
                      e.DeleteTree(key);
                      if (c.server && c.server->empty())
                          e.CreateKey(key);
                      else if (c.server)
                          e.SetString(key + "\\InprocServer32", "", *c.server);
                  }),
                  S_OK);
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IUnknown::iid, &object), c.expected) << c.what;
        EXPECT_EQ(object, nullptr) << c.what;
        if (c.reason) {
            EXPECT_NE(LastModuleLoadError().find(c.reason), std::string::npos)
                << c.what << ": " << LastModuleLoadError();
        }
    }
}

TEST_F(ActivationTest, ProgIdsAndClassIds)
{
    CLSID clsid{};
    for (const char16_t* name : {u"TsTestModule.TestCounter.1", u"tstestmodule.TESTCOUNTER"}) {
        EXPECT_EQ(CLSIDFromProgID(name, &clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_TestCounter);
    }
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_TestCounter, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), u"TsTestModule.TestCounter.1");
    CoTaskMemFree(progId);
    EXPECT_EQ(ProgIDFromCLSID(kUnknownClass, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);

    // Names reached only through CurVer, a CurVer loop, a broken class id.
    ASSERT_EQ(Registry::Update([](Registry::Edit& e) {
                  e.SetString(R"(HKEY_CLASSES_ROOT\Only.CurVer\CurVer)", "", "TsTestModule.TestCounter.1");
                  e.SetString(R"(HKEY_CLASSES_ROOT\Loop.A\CurVer)", "", "Loop.B");
                  e.SetString(R"(HKEY_CLASSES_ROOT\Loop.B\CurVer)", "", "Loop.A");
                  e.SetString(R"(HKEY_CLASSES_ROOT\Broken.Id\CLSID)", "", "{not a guid}");
              }),
              S_OK);
    EXPECT_EQ(CLSIDFromProgID(u"Only.CurVer", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestCounter);
    for (const char16_t* name : {u"Loop.A", u"Broken.Id", u"No.Such.Name", u"", u"CLSID\\{X}"}) {
        EXPECT_EQ(CLSIDFromProgID(name, &clsid), CO_E_CLASSSTRING);
        EXPECT_EQ(clsid, GUID_NULL);
    }
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_TestCounter, nullptr), E_INVALIDARG);
}

TEST_F(ActivationTest, UnloadsAModuleOnlyWhenItIsIdle)
{
    ComPtr<ITestCounter> counter = Create();
    ASSERT_TRUE(counter);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(TS_TEST_MODULE));

    counter.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(TS_TEST_MODULE));

    // The next creation loads it again.
    counter = Create();
    ASSERT_TRUE(counter);
    LONG total = 0;
    EXPECT_EQ(counter->Add(2, &total), S_OK);
    EXPECT_EQ(total, 2);
}

TEST_F(ActivationTest, ClassObjectsAndServerLocksKeepTheModule)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IClassFactory::iid,
                               factory.OutVoid()),
              S_OK);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(TS_TEST_MODULE)) << "a class object counts as a live object";

    EXPECT_EQ(factory->LockServer(1), S_OK);
    factory.Reset();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(TS_TEST_MODULE)) << "a server lock outlives the class object";

    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IClassFactory::iid,
                               factory.OutVoid()),
              S_OK);
    EXPECT_EQ(factory->LockServer(0), S_OK);
    factory.Reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(TS_TEST_MODULE));
}

TEST_F(ActivationTest, RegisteringModules)
{
    const std::string notAModule = (reg.Folder() / "notes.so").string();
    TempRegistry::Write(notAModule, "text");
    const std::pair<std::string, HRESULT> failures[] = {
        {"/nonexistent/libNothing.so", CO_E_DLLNOTFOUND},
        {reg.Folder().string(), CO_E_DLLNOTFOUND},
        {notAModule, CO_E_ERRORINDLL},
        {TS_TEST_BROKEN_MODULE, CO_E_ERRORINDLL},
        {TS_PLATFORM_LIBRARY, HResultFromWin32(ERROR_PROC_NOT_FOUND)},
    };
    for (const auto& [path, expected] : failures) {
        EXPECT_EQ(RegisterServerModule(path, false), expected) << path;
        EXPECT_EQ(RegisterServerModule(path, true), expected) << path;
    }

    // Unregistered, the class is gone; registered again, it works.
    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, true), S_OK);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IUnknown::iid, &object),
              REGDB_E_CLASSNOTREG);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"TsTestModule.TestCounter", &clsid), CO_E_CLASSSTRING);
    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, false), S_OK);
    EXPECT_TRUE(Create());
}

TEST_F(ActivationTest, CreationAndUnloadingFromSeveralThreads)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int n = 0; n < 40; ++n) {
                ComPtr<ITestCounter> counter;
                ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, ITestCounter::iid,
                                           counter.OutVoid()),
                          S_OK);
                LONG total = 0;
                EXPECT_EQ(counter->Add(t, &total), S_OK);
                EXPECT_EQ(total, t);
                counter.Reset();
                if (n % 4 == t)
                    CoFreeUnusedLibraries();
            }
        });
    for (auto& t : threads)
        t.join();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(TS_TEST_MODULE));
}

} // namespace
