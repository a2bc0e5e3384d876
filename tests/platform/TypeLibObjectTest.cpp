// The type library and type information objects: look-ups, names, and how
// they keep the module that holds their tables loaded.
#include "DispatchTestCaller.h"
#include "DispatchTestObjects.h"
#include "TestCounter.h"

#include "platform/Module.h"
#include "platform/TypeInfo.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

ComPtr<ITypeLib> TestLibrary()
{
    ComPtr<ITypeLib> library;
    EXPECT_EQ(S_OK, CreateTypeLibFromDescription(&DispatchTestLib_TypeLib, library.Out()));
    return library;
}

std::u16string Text(const BStr& b) { return std::u16string(b.View()); }

TEST(TypeLibObject, FindsInterfacesByIndexAndGuid)
{
    ComPtr<ITypeLib> library = TestLibrary();
    ASSERT_TRUE(library);
    EXPECT_EQ(&DispatchTestLib_TypeLib, library->Description());
    ASSERT_EQ(3u, library->GetTypeInfoCount());

    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, library->GetTypeInfo(1, info.Out()));
    EXPECT_EQ(&ITestDispatch_Interface, info->Description());
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, library->GetTypeInfo(3, info.Out()));
    EXPECT_FALSE(info);

    struct Case {
        GUID guid;
        const InterfaceDescription* expected;
    };
    const Case cases[] = {
        {IID_ITestPeer, &ITestPeer_Interface},
        {DIID__DTestEvents, &_DTestEvents_Interface},
        {CLSID_TestDispatch, &ITestDispatch_Interface}, // a coclass answers with its default interface
        {CLSID_TestPeer, &ITestPeer_Interface},
        {LIBID_DispatchTestLib, nullptr},
        {IDispatch::iid, nullptr},
    };
    for (const Case& c : cases) {
        HRESULT hr = library->GetTypeInfoOfGuid(c.guid, info.Out());
        if (c.expected) {
            ASSERT_EQ(S_OK, hr);
            EXPECT_EQ(c.expected, info->Description());
        } else {
            EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, hr);
            EXPECT_FALSE(info);
        }
    }
    EXPECT_EQ(E_INVALIDARG, library->GetTypeInfo(0, nullptr));
    EXPECT_EQ(E_INVALIDARG, CreateTypeLibFromDescription(nullptr, library.Out()));
    EXPECT_EQ(E_INVALIDARG, CreateTypeLibFromDescription(&DispatchTestLib_TypeLib, nullptr));
}

TEST(TypeLibObject, DocumentationAndContainingLibrary)
{
    ComPtr<ITypeLib> library = TestLibrary();
    BStr name, doc;
    DWORD context = 7;
    ASSERT_EQ(S_OK, library->GetDocumentation(-1, name.Out(), doc.Out(), &context, nullptr));
    EXPECT_EQ(u"DispatchTestLib", Text(name));
    EXPECT_EQ(u"Dispatch Test 1.0 Type Library", Text(doc));
    EXPECT_EQ(0u, context);
    ASSERT_EQ(S_OK, library->GetDocumentation(2, name.Out(), nullptr, nullptr, nullptr));
    EXPECT_EQ(u"_DTestEvents", Text(name));
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, library->GetDocumentation(3, name.Out(), nullptr, nullptr, nullptr));

    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_ITestDispatch, info.Out()));
    ASSERT_EQ(S_OK, info->GetDocumentation(DISPID_UNKNOWN, name.Out(), nullptr, nullptr, nullptr));
    EXPECT_EQ(u"ITestDispatch", Text(name));
    ASSERT_EQ(S_OK, info->GetDocumentation(2, name.Out(), doc.Out(), nullptr, nullptr));
    EXPECT_EQ(u"Cell", Text(name));
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, info->GetDocumentation(999, name.Out(), nullptr, nullptr, nullptr));

    ComPtr<ITypeLib> containing;
    UINT index = 99;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(containing.Out(), &index));
    EXPECT_EQ(&DispatchTestLib_TypeLib, containing->Description());
    EXPECT_EQ(1u, index);
}

TEST(TypeLibNames, MembersAndParametersWithoutRegardToCase)
{
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, TestLibrary()->GetTypeInfoOfGuid(IID_ITestDispatch, info.Out()));
    struct Case {
        std::vector<const char16_t*> names;
        HRESULT expected;
        std::vector<MEMBERID> ids;
    };
    const Case cases[] = {
        {{u"add"}, S_OK, {1}},
        {{u"ADD", u"B", u"a"}, S_OK, {1, 1, 0}},
        {{u"cell", u"COL", u"newval"}, S_OK, {2, 1, 2}}, // the put's own parameter name too
        {{u"unnumbered"}, S_OK, {0x60020000}},
        {{u"Adds"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
        {{u"Ad"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
        {{u"Add", u"c", u"a"}, DISP_E_UNKNOWNNAME, {1, DISPID_UNKNOWN, 0}},
        {{u"Nope", u"a"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}},
        {{nullptr}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
    };
    for (const Case& c : cases) {
        std::vector<LPOLESTR> names;
        for (const char16_t* n : c.names)
            names.push_back(const_cast<LPOLESTR>(n));
        std::vector<MEMBERID> ids(names.size(), 12345);
        EXPECT_EQ(c.expected, info->GetIDsOfNames(names.data(), static_cast<UINT>(names.size()), ids.data()));
        EXPECT_EQ(c.ids, ids);
    }
    MEMBERID id;
    EXPECT_EQ(E_INVALIDARG, info->GetIDsOfNames(nullptr, 1, &id));
}

TEST(TypeLibNames, LatinOneLettersFoldToo)
{
    // Tables hold UTF-8: "Größe" and "Übung".
    static const ParamDescription params[] = {{"\xC3\x9C" "bung", VT_I4, PARAMFLAG_FIN, nullptr, nullptr}};
    static const FuncDescription funcs[] = {{5, "Gr\xC3\xB6\xC3\x9F" "e", INVOKE_FUNC, 7, 1, params},
                                            {6, "a\xC3\xB7", INVOKE_FUNC, 8, 0, nullptr}};
    static const InterfaceDescription iface = {"ILatin", MakeGuid("{0F3E2D1C-0B0A-4998-8776-655443322110}"),
                                               INTERFACE_DUAL, 2, funcs};
    static const InterfaceDescription* const interfaces[] = {&iface};
    static const TypeLibDescription library = {"Latin", GUID_NULL, 1, 0, 0, "", 1, interfaces, 0, nullptr, 0, nullptr};
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, CreateTypeLibFromDescription(&library, lib.Out()));
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, lib->GetTypeInfo(0, info.Out()));

    LPOLESTR names[] = {const_cast<LPOLESTR>(u"GRÖßE"), const_cast<LPOLESTR>(u"üBUNG")};
    MEMBERID ids[2];
    ASSERT_EQ(S_OK, info->GetIDsOfNames(names, 2, ids));
    EXPECT_EQ(5, ids[0]);
    EXPECT_EQ(0, ids[1]);
    // The multiplication sign is no capital of the division sign.
    LPOLESTR division[] = {const_cast<LPOLESTR>(u"A\u00F7")};
    ASSERT_EQ(S_OK, info->GetIDsOfNames(division, 1, ids));
    EXPECT_EQ(6, ids[0]);
    LPOLESTR multiplication[] = {const_cast<LPOLESTR>(u"A\u00D7")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, info->GetIDsOfNames(multiplication, 1, ids));
}

// The program's own module state: type information handed to a client
// counts as a lock, the cache's own reference does not.
TEST(TypeLibModule, TypeInformationHeldByAClientLocksTheModule)
{
    ASSERT_TRUE(ThisModule().CanUnload()) << "another test left an object alive";
    ComPtr<ITestDispatch> object = MakeTestObject<CTestDispatch>();
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, LOCALE_EN_US, info.Out()));
    EXPECT_EQ(&ITestDispatch_Interface, info->Description());
    ComPtr<ITypeLib> library;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(library.Out(), nullptr));
    info.Reset();

    // Still usable once the object is gone, and keeps the module.
    ComPtr<ITestDispatch> other = MakeTestObject<CTestDispatch>();
    object.Reset();
    other.Reset();
    EXPECT_EQ(0, ThisModule().Objects());
    EXPECT_FALSE(ThisModule().CanUnload());
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_ITestPeer, info.Out()));
    library.Reset();
    EXPECT_FALSE(ThisModule().CanUnload());
    info.Reset();
    EXPECT_TRUE(ThisModule().CanUnload());
}

struct LoadedModule {
    explicit LoadedModule(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedModule()
    {
        if (handle)
            dlclose(handle);
    }
    template <typename F>
    F Symbol(const char* name) const
    {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
    void* handle;
};

bool IsLoaded(const char* path)
{
    void* h = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

// A module loaded with dlopen: its objects' type information keeps it from
// unloading, and its cache goes with it, so a fresh load works afresh.
TEST(TypeLibModule, LoadedModuleStaysWhileItsTypeInformationIsHeld)
{
    for (int round = 0; round < 2; ++round) {
        LoadedModule module(TS_TEST_MODULE);
        ASSERT_TRUE(module.handle) << dlerror();
        auto getClassObject = module.Symbol<DllGetClassObjectFunction>("DllGetClassObject");
        auto canUnloadNow = module.Symbol<DllCanUnloadNowFunction>("DllCanUnloadNow");
        ASSERT_TRUE(getClassObject && canUnloadNow);

        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, getClassObject(CLSID_TestCounter, IClassFactory::iid, factory.OutVoid()));
        ComPtr<IDispatch> counter;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IDispatch::iid, counter.OutVoid()));
        factory.Reset();

        DispatchCaller caller(counter.Get());
        ASSERT_EQ(S_OK, caller.Put(u"value", {}, Variant::FromLong(40)).hr);
        InvokeOutcome r = caller.Call(u"ADD", DISPATCH_METHOD, {Variant::FromString(u"2")});
        ASSERT_EQ(S_OK, r.hr);
        EXPECT_EQ(42, r.result.lVal);

        ComPtr<ITypeInfo> info;
        ASSERT_EQ(S_OK, counter->GetTypeInfo(0, LOCALE_EN_US, info.Out()));
        counter.Reset();
        EXPECT_EQ(S_FALSE, canUnloadNow());
        BStr name;
        ASSERT_EQ(S_OK, info->GetDocumentation(2, name.Out(), nullptr, nullptr, nullptr));
        EXPECT_EQ(u"Add", Text(name));
        info.Reset();
        EXPECT_EQ(S_OK, canUnloadNow());
    }
}

// A library made from a module's tables holds that module loaded itself.
TEST(TypeLibModule, LibraryFromADescriptionKeepsItsModuleLoaded)
{
    if (IsLoaded(TS_TEST_MODULE))
        GTEST_SKIP() << "the module is held by another test in this process";
    ComPtr<ITypeLib> library;
    {
        LoadedModule module(TS_TEST_MODULE);
        ASSERT_TRUE(module.handle) << dlerror();
        auto describe = module.Symbol<GetTypeLibDescriptionFunction>(kTypeLibExport);
        ASSERT_TRUE(describe);
        ASSERT_EQ(S_OK, CreateTypeLibFromDescription(describe(), library.Out()));
    }
    ASSERT_TRUE(IsLoaded(TS_TEST_MODULE));
    BStr name;
    ASSERT_EQ(S_OK, library->GetDocumentation(-1, name.Out(), nullptr, nullptr, nullptr));
    EXPECT_EQ(u"TsTestModule", Text(name));
    library.Reset();
    EXPECT_FALSE(IsLoaded(TS_TEST_MODULE));
}

} // namespace
