// TsService, TsServiceResponse and TsUser as plain objects.
#include "tests/automation/AutomationTestFixture.h"

#include "platform/Variant.h"

namespace {

TEST_F(AutomationTest, ANewResponseShowsSuccessUntilACodeIsSet)
{
    auto response = Create<ITsServiceResponse>(CLSID_TsServiceResponse);
    ASSERT_TRUE(response);
    Outcome fresh = Read(response.Get());
    EXPECT_TRUE(fresh.isSuccess);
    EXPECT_EQ(fresh.errorCode, 0);
    EXPECT_EQ(fresh.errorText, "");

    ASSERT_EQ(response->put_ErrorCode(-3), S_OK);
    EXPECT_FALSE(Read(response.Get()).isSuccess);
    ASSERT_EQ(response->put_ErrorCode(0), S_OK);
    EXPECT_TRUE(Read(response.Get()).isSuccess);
}

TEST_F(AutomationTest, StringPropertiesConvertThroughTheCodePage)
{
    auto user = Create<ITsUser>(CLSID_TsUser);
    ASSERT_TRUE(user);
    struct Case {
        const char* put;  // UTF-8; nullptr puts a null BSTR
        const char* read;
    };
    const Case cases[] = {
        {nullptr, ""},
        {"", ""},
        {"Zoë Ñúñez", "Zoë Ñúñez"},
        {"€ and 中", "€ and ?"},  // the euro sign is in Windows-1252, the ideograph is not
    };
    for (const Case& c : cases) {
        BStr value = c.put ? Text(c.put) : BStr();
        ASSERT_EQ(user->put_UserName(value.Get()), S_OK);
        BStr read;
        ASSERT_EQ(user->get_UserName(read.Out()), S_OK);
        ASSERT_FALSE(read.IsNull());  // an empty text is an empty BSTR, not a null one
        EXPECT_EQ(Utf8(read.Get()), c.read);
    }

    // A new user holds three empty strings.
    auto fresh = Create<ITsUser>(CLSID_TsUser);
    BStr name, password, url;
    fresh->get_UserName(name.Out());
    fresh->get_Password(password.Out());
    fresh->get_ServerURL(url.Out());
    EXPECT_EQ(Utf8(name.Get()) + Utf8(password.Get()) + Utf8(url.Get()), "");
}

TEST_F(AutomationTest, TheTimeOutIsOneValueForTheWholeLibrary)
{
    auto first = Create<ITsService>(CLSID_TsService);
    auto second = Create<ITsService>(CLSID_TsService);
    LONG value = 0;
    ASSERT_EQ(second->get_TimeoutMs(&value), S_OK);
    EXPECT_EQ(value, 30000);
    for (LONG set : {5000, -1, 0, 30000}) {
        ASSERT_EQ(first->put_TimeoutMs(set), S_OK);
        ASSERT_EQ(second->get_TimeoutMs(&value), S_OK);
        EXPECT_EQ(value, set);
    }
}

TEST_F(AutomationTest, AFailingMemberNamesItsClassAndInterface)
{
    auto user = Create<ITsUser>(CLSID_TsUser);
    EXPECT_EQ(user->get_UserName(nullptr), E_POINTER);
    const ErrorDetails error = TakeErrorInfo();
    EXPECT_EQ(error.guid, IID_ITsUser);
    EXPECT_EQ(error.source, "TessalyLib.TsUser.1");
    EXPECT_FALSE(error.description.empty());

    auto support = user.As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITsUser), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITsService), S_FALSE);
}

TEST_F(AutomationTest, MembersAreReachedByNameThroughIDispatch)
{
    auto user = Create<IDispatch>(CLSID_TsUser);
    ASSERT_TRUE(user);
    struct Case {
        const char16_t* name;
        DISPID id;
    };
    const Case cases[] = {{u"UserName", 1}, {u"password", 2}, {u"SERVERURL", 3}, {u"Validate", 5}};
    for (const Case& c : cases) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(user->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, c.id);
    }

    Variant value = Variant::FromString(u"teacher");
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS putParams{&value, &put, 1, 1};
    ASSERT_EQ(user->Invoke(1, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &putParams, nullptr, nullptr,
                           nullptr),
              S_OK);
    Variant result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(user->Invoke(1, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(Utf8(result.bstrVal), "teacher");
}

} // namespace
