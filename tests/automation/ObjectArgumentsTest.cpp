// Object arguments: this library's implementation behind an interface
// pointer, and clean refusals of a null or foreign one.
#include "automation/ServiceCallFlow.h"
#include "platform/Module.h"
#include "tests/automation/AutomationTestFixture.h"

// This binary holds objects of its own (a CTsUser made here, not through the module).
TS_DEFINE_MODULE_STATE()

namespace {

// An ITsUser written by somebody else.
struct ForeignUser final : ITsUser {
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IUnknown::iid || riid == IDispatch::iid || riid == ITsUser::iid) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
    HRESULT get_UserName(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_UserName(BSTR) override { return E_NOTIMPL; }
    HRESULT get_Password(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_Password(BSTR) override { return E_NOTIMPL; }
    HRESULT get_ServerURL(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_ServerURL(BSTR) override { return E_NOTIMPL; }
    HRESULT Validate(BSTR, BSTR, BSTR, ITsServiceResponse**) override { return E_NOTIMPL; }
};

TEST(ObjectArguments, CredentialsComeFromThisLibrarysUserOnly)
{
    ComPtr<ITsUser> ours;
    ASSERT_EQ(CTsUser::CreateInstance(nullptr, IID_ITsUser, ours.OutVoid()), S_OK);
    ASSERT_EQ(ours->put_UserName(Text("teacher").Get()), S_OK);
    ASSERT_EQ(ours->put_ServerURL(Text("http://127.0.0.1:1/").Get()), S_OK);
    const Tessaly::UserCredentials credentials = Automation::CredentialsOf(ours.Get());
    EXPECT_EQ(credentials.UserName, "teacher");
    EXPECT_EQ(credentials.ServerURL, "http://127.0.0.1:1/");

    ForeignUser foreign;
    struct Case {
        ITsUser* argument;
        HRESULT code;
        const char* text;
    };
    const Case cases[] = {
        {nullptr, E_POINTER, "No TsUser object was given"},
        {&foreign, E_INVALIDARG, "The object given is not a TsUser object of this library"},
    };
    for (const Case& c : cases) {
        try {
            Automation::CredentialsOf(c.argument);
            ADD_FAILURE() << c.text << ": accepted";
        } catch (const ComException& e) {
            EXPECT_EQ(e.Code(), c.code);
            EXPECT_STREQ(e.what(), c.text);
            EXPECT_TRUE(e.ReportsErrorInfo());
        }
    }
}

} // namespace
