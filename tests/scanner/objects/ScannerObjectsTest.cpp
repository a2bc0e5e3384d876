// The scanner objects as a host sees them: found through the registry,
// loaded with dlopen and driven by late binding and through their interfaces.
#include "platform/Activation.h"
#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/ErrorInfo.h"
#include "tests/platform/testmodule/TempRegistry.h"
#include "typelib/TsScannerLib.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct CallResult {
    HRESULT hr = S_OK;
    Variant value;
    std::string source;
    std::string description;
};

// One late-bound call: the member by name, arguments in reading order.
CallResult Call(IDispatch* object, const char16_t* name, WORD flags, std::initializer_list<Variant> arguments)
{
    CallResult r;
    DISPID id = DISPID_UNKNOWN;
    std::u16string text(name);
    LPOLESTR names[] = {text.data()};
    r.hr = object->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(r.hr))
        return r;
    std::vector<Variant> reversed(arguments.begin(), arguments.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                      static_cast<UINT>(reversed.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    r.hr = object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.Out(), &exception,
                          &argumentError);
    if (r.hr == DISP_E_EXCEPTION) {
        r.hr = exception.scode;
        r.source = WideToAnsi(BStr::Attach(exception.bstrSource).View());
        r.description = WideToAnsi(BStr::Attach(exception.bstrDescription).View());
        SysFreeString(exception.bstrHelpFile);
    }
    return r;
}

CallResult Get(IDispatch* o, const char16_t* name, std::initializer_list<Variant> args = {})
{
    return Call(o, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

Variant Text(const char* narrow) { return Variant::FromString(AnsiToWide(narrow)); }

class ScannerObjectsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, RegisterServerModule(TS_SCANNER_MODULE, false)); }

    ComPtr<IDispatch> Create(const char16_t* progId)
    {
        CLSID clsid{};
        EXPECT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
        ComPtr<IDispatch> object;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IDispatch::iid, object.OutVoid()));
        return object;
    }

    TempRegistry registry_;
};

TEST_F(ScannerObjectsTest, GridDecodesReadsFailsAndFlipsThroughLateBinding)
{
    ComPtr<IDispatch> g = Create(u"TsScannerLib.TsScannerData");
    ASSERT_TRUE(g);
    ASSERT_EQ(S_OK, Get(g.Get(), u"InitFromScannerData", {Text("@AB@"), Variant::FromLong(12)}).hr);
    EXPECT_EQ(2, Get(g.Get(), u"LineCount").value.lVal);
    EXPECT_EQ(12, Get(g.Get(), u"colcount").value.lVal);
    auto mark = [&](LONG line, LONG col) {
        CallResult r = Get(g.Get(), u"Value", {Variant::FromLong(line), Variant::FromLong(col)});
        EXPECT_EQ(S_OK, r.hr) << r.description;
        return r.value.boolVal == VARIANT_TRUE;
    };
    EXPECT_TRUE(mark(1, 2));
    EXPECT_TRUE(mark(2, 7));
    EXPECT_FALSE(mark(1, 1));

    CallResult bad = Get(g.Get(), u"Value", {Variant::FromLong(0), Variant::FromLong(0)});
    EXPECT_EQ(DISP_E_EXCEPTION, bad.hr);
    EXPECT_EQ("TsScannerLib.TsScannerData.1", bad.source);
    EXPECT_EQ("Line index out of bounds: max=2 index=0", bad.description);

    ASSERT_EQ(S_OK, Get(g.Get(), u"Flip").hr);
    EXPECT_TRUE(mark(2, 2));
    EXPECT_TRUE(mark(1, 7));
    EXPECT_FALSE(mark(1, 2));

    // The optional column count defaults to 12.
    ASSERT_EQ(S_OK, Get(g.Get(), u"InitFromScannerData", {Text("x")}).hr);
    EXPECT_EQ(0, Get(g.Get(), u"ColCount").value.lVal);
    CallResult empty = Get(g.Get(), u"Value", {Variant::FromLong(1), Variant::FromLong(1)});
    EXPECT_EQ("Index 1 is not in the list's range [0 to 0].", empty.description);
}

TEST_F(ScannerObjectsTest, GridThroughItsInterface)
{
    ComPtr<IDispatch> object = Create(u"TsScannerLib.TsScannerData");
    auto g = object.As<ITsScannerData>();
    ASSERT_TRUE(g);
    BStr data(u"@AB@");
    ASSERT_EQ(S_OK, g->InitFromScannerData(data.Get(), 12));
    // Only VARIANT_TRUE marks: 1 clears the cell.
    EXPECT_EQ(S_OK, g->put_Value(1, 2, 1));
    VARIANT_BOOL value = VARIANT_TRUE;
    EXPECT_EQ(S_OK, g->get_Value(1, 2, &value));
    EXPECT_EQ(VARIANT_FALSE, value);
    EXPECT_EQ(E_POINTER, g->get_Value(1, 2, nullptr));
    // Growing the counts beyond the storage never reaches outside it.
    EXPECT_EQ(S_OK, g->put_LineCount(1000));
    EXPECT_EQ(DISP_E_EXCEPTION, g->get_Value(1000, 12, &value));
    EXPECT_EQ(DISP_E_EXCEPTION, g->InitFromScannerData(data.Get(), -3));
    EXPECT_EQ(S_OK, g->InitFromScannerData(nullptr, 12));
    LONG lines = -1;
    EXPECT_EQ(S_OK, g->get_LineCount(&lines));
    EXPECT_EQ(0, lines);

    ComPtr<ISupportErrorInfo> support = object.As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(ITsScannerData::iid));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(ITsScannerForm::iid));
}

TEST_F(ScannerObjectsTest, FormReturnsFieldsAndReportsWithItsLowerCaseSource)
{
    ComPtr<IDispatch> f = Create(u"Tsscannerlib.TsScannerForm");
    ASSERT_TRUE(f);
    CallResult none = Get(f.Get(), u"ProcessScannerData", {Text("@@"), Variant::FromLong(12)});
    EXPECT_EQ(S_OK, none.hr);
    EXPECT_EQ(0u, SysStringLen(none.value.bstrVal)) << "no definition, no text";
    ASSERT_EQ(S_OK, Get(f.Get(), u"InitFromFormDefinition", {Text("FRM=MC N N 1 0 1 1 5 5 L 1 5 ABCDE\n##A1")}).hr);
    // Five lines of 12 columns; line 1 has its mark in column 3 (C).
    std::string sheet;
    for (int line = 5; line >= 1; --line)
        sheet += std::string(1, static_cast<char>(line == 1 ? 64 + 4 : 64)) + "@";
    CallResult result = Get(f.Get(), u"ProcessScannerData", {Text(sheet.c_str()), Variant::FromLong(12)});
    ASSERT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ(u"A1=C&", BStr(result.value.bstrVal).View());
    EXPECT_EQ(u"C", BStr(Get(f.Get(), u"GetField", {Text("a1")}).value.bstrVal).View());
    EXPECT_EQ(1, Get(f.Get(), u"LastCompletedAnswer").value.lVal);

    CallResult bad = Get(f.Get(), u"AnalyzeScanFormData", {Text("MC=1"), Text(sheet.c_str()), Variant::FromLong(12)});
    EXPECT_EQ(DISP_E_EXCEPTION, bad.hr);
    EXPECT_EQ("Tsscannerlib.TsScannerForm.1", bad.source);
    EXPECT_EQ("All form command must start with FRM=. Found: MC=1", bad.description);
}

TEST_F(ScannerObjectsTest, FixedFormAnswersAndRangeMessages)
{
    ComPtr<IDispatch> f = Create(u"TsScannerLib.TsScannerForm25S");
    ASSERT_TRUE(f);
    CallResult bad = Get(f.Get(), u"Answer", {Variant::FromLong(26)});
    EXPECT_EQ(DISP_E_EXCEPTION, bad.hr);
    EXPECT_EQ("TsScannerLib.TsScannerForm25S.1", bad.source);
    EXPECT_EQ("Index 26 is not in the list's range [1 to 25].", bad.description);
    EXPECT_EQ(S_OK, Call(f.Get(), u"Answer", DISPATCH_PROPERTYPUT, {Variant::FromLong(7), Text("B")}).hr);
    EXPECT_EQ(7, Get(f.Get(), u"LastCompletedAnswer").value.lVal);
    CallResult shortSheet = Get(f.Get(), u"InitFromScannerData", {Text("@@@@")});
    EXPECT_EQ(DISP_E_EXCEPTION, shortSheet.hr);
    EXPECT_NE(std::string::npos, shortSheet.description.find("index out of bounds")) << shortSheet.description;
}

TEST_F(ScannerObjectsTest, UnregisterRegisterAndUnload)
{
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"TsScannerLib.TsScannerData", &clsid));
    ASSERT_EQ(S_OK, RegisterServerModule(TS_SCANNER_MODULE, true));
    ComPtr<IDispatch> object;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IDispatch::iid, object.OutVoid()));
    ASSERT_EQ(S_OK, RegisterServerModule(TS_SCANNER_MODULE, false));
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IDispatch::iid, object.OutVoid()));

    auto loaded = [] {
        void* handle = dlopen(TS_SCANNER_MODULE, RTLD_NOW | RTLD_NOLOAD);
        if (handle)
            dlclose(handle);
        return handle != nullptr;
    };
    CoFreeUnusedLibraries();
    EXPECT_TRUE(loaded()) << "an object is alive";
    object.Reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(loaded());
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IDispatch::iid, object.OutVoid()));
}

} // namespace
