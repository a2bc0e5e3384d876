#include "ModuleTestSupport.h"
#include "TempRegistry.h"
#include "TestCounter.h"

#include "platform/Activation.h"
#include "platform/Registry.h"
#include "platform/TypeInfo.h"

#include <gtest/gtest.h>

namespace {

const std::string kLibraryKey = "HKEY_CLASSES_ROOT\\TypeLib\\" + GuidToString(LIBID_TsTestModule);

class LoadRegTypeLibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoFreeUnusedLibraries();
        ASSERT_FALSE(IsLoaded(TS_TEST_MODULE)) << "another test left the module loaded";
    }

    // Registers the library alone, under `version` and `locale`, in module `path`.
    static void RegisterLibrary(const std::string& version, const std::string& locale, const std::string& path)
    {
        ASSERT_EQ(Registry::Update([&](Registry::Edit& e) {
                      e.DeleteTree(kLibraryKey);
                      e.SetString(kLibraryKey + "\\" + version + "\\" + locale + "\\win32", "", path);
                  }),
                  S_OK);
    }

    TempRegistry reg;
};

TEST_F(LoadRegTypeLibTest, LoadsTheRegisteredLibraryAndKeepsItsModuleWhileInUse)
{
    ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, false), S_OK);
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(LIBID_TsTestModule, 1, 0, LOCALE_EN_US, library.Out()), S_OK);
    EXPECT_EQ(library->Description()->libid, LIBID_TsTestModule);
    EXPECT_STREQ(library->Description()->helpString, "Tessaly Test Module 1.0 Type Library");

    ComPtr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfoOfGuid(ITestCounter::iid, info.Out()), S_OK);
    EXPECT_STREQ(info->Description()->name, "ITestCounter");
    OLECHAR name[] = u"add";
    LPOLESTR names[] = {name};
    MEMBERID id = 0;
    EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK);
    EXPECT_EQ(id, 2);
    ComPtr<ITypeLib> container;
    UINT index = 99;
    ASSERT_EQ(info->GetContainingTypeLib(container.Out(), &index), S_OK);
    EXPECT_EQ(container.Get(), library.Get());
    container.Reset();

    // The module stays while any of them lives, and goes with the last.
    library.Reset();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(TS_TEST_MODULE));
    EXPECT_STREQ(info->Description()->name, "ITestCounter");
    info.Reset();
    EXPECT_FALSE(IsLoaded(TS_TEST_MODULE));
}

TEST_F(LoadRegTypeLibTest, FindsTheNewestMinorVersionAndTheLocale)
{
    // Only 1.3 for locale 409 is registered: a request for 1.0 in 409 takes it.
    RegisterLibrary("1.3", "409", TS_TEST_MODULE);
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadRegTypeLib(LIBID_TsTestModule, 1, 0, LOCALE_EN_US, library.Out()), S_OK);
    EXPECT_TRUE(library);
    EXPECT_EQ(LoadRegTypeLib(LIBID_TsTestModule, 1, 4, LOCALE_EN_US, library.Out()), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(LoadRegTypeLib(LIBID_TsTestModule, 2, 0, LOCALE_EN_US, library.Out()), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(LoadRegTypeLib(LIBID_TsTestModule, 1, 0, 0x407, library.Out()), TYPE_E_LIBNOTREGISTERED);
}

TEST_F(LoadRegTypeLibTest, LibrariesThatCannotBeLoaded)
{
    const std::string notAModule = (reg.Folder() / "notes.so").string();
    TempRegistry::Write(notAModule, "text");
    const std::pair<std::string, HRESULT> cases[] = {
        {"/nonexistent/libNothing.so", TYPE_E_CANTLOADLIBRARY},
        {notAModule, TYPE_E_CANTLOADLIBRARY},
        {TS_TEST_BROKEN_MODULE, TYPE_E_CANTLOADLIBRARY},
        {TS_PLATFORM_LIBRARY, TYPE_E_CANTLOADLIBRARY}, // no tables exported
        {"", TYPE_E_LIBNOTREGISTERED},
    };
    for (const auto& [path, expected] : cases) {
        RegisterLibrary("1.0", "0", path);
        ITypeLib* library = reinterpret_cast<ITypeLib*>(0x1);
        EXPECT_EQ(LoadRegTypeLib(LIBID_TsTestModule, 1, 0, 0, &library), expected) << path;
        EXPECT_EQ(library, nullptr);
    }
    // A module whose tables describe another library than the one registered.
    ASSERT_EQ(Registry::Update([](Registry::Edit& e) {
                  e.SetString(R"(HKEY_CLASSES_ROOT\TypeLib\{99999999-0000-0000-0000-000000000000}\1.0\0\win32)", "",
                              TS_TEST_MODULE);
              }),
              S_OK);
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadRegTypeLib(MakeGuid("{99999999-0000-0000-0000-000000000000}"), 1, 0, 0, library.Out()),
              TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(LoadRegTypeLib(LIBID_TsTestModule, 1, 0, 0, nullptr), E_POINTER);
}

} // namespace
