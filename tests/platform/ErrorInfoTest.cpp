#include "platform/ErrorInfo.h"

#include "platform/ComPtr.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {
constexpr GUID kInterface = MakeGuid("{FBC51FDB-8C47-481B-8563-7ACD2CA3320C}");

ComPtr<IErrorInfo> MakeError(const char16_t* description)
{
    ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(S_OK, CreateErrorInfo(create.Out()));
    create->SetDescription(const_cast<LPOLESTR>(description));
    return create.As<IErrorInfo>();
}

std::u16string DescriptionOf(IErrorInfo* info)
{
    BStr text;
    EXPECT_EQ(S_OK, info->GetDescription(text.Out()));
    return std::u16string(text.View());
}

// Clears the thread's record so tests do not see each other's.
void ClearThreadError() { SetErrorInfo(0, nullptr); }
} // namespace

TEST(ErrorObject, KeepsWhatWasSetAndAnswersBothInterfaces)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(S_OK, CreateErrorInfo(create.Out()));
    ComPtr<IErrorInfo> info = create.As<IErrorInfo>();
    ASSERT_TRUE(info);

    // Nothing set yet: null texts, a null GUID, context 0.
    BStr text;
    EXPECT_EQ(S_OK, info->GetSource(text.Out()));
    EXPECT_TRUE(text.IsNull());
    GUID guid = kInterface;
    EXPECT_EQ(S_OK, info->GetGUID(&guid));
    EXPECT_EQ(GUID_NULL, guid);

    EXPECT_EQ(S_OK, create->SetGUID(kInterface));
    EXPECT_EQ(S_OK, create->SetSource(const_cast<LPOLESTR>(u"TessalyLib.TsUser.1")));
    EXPECT_EQ(S_OK, create->SetDescription(const_cast<LPOLESTR>(u"")));
    EXPECT_EQ(S_OK, create->SetHelpFile(const_cast<LPOLESTR>(u"help.chm")));
    EXPECT_EQ(S_OK, create->SetHelpContext(17));

    EXPECT_EQ(S_OK, info->GetGUID(&guid));
    EXPECT_EQ(kInterface, guid);
    EXPECT_EQ(S_OK, info->GetSource(text.Out()));
    EXPECT_EQ(u"TessalyLib.TsUser.1", text.View());
    EXPECT_EQ(S_OK, info->GetDescription(text.Out()));
    EXPECT_FALSE(text.IsNull()); // set to empty: an empty text, not none
    EXPECT_EQ(0u, text.Length());
    EXPECT_EQ(S_OK, info->GetHelpFile(text.Out()));
    EXPECT_EQ(u"help.chm", text.View());
    DWORD context = 0;
    EXPECT_EQ(S_OK, info->GetHelpContext(&context));
    EXPECT_EQ(17u, context);

    EXPECT_EQ(S_OK, create->SetSource(nullptr));
    EXPECT_EQ(S_OK, info->GetSource(text.Out()));
    EXPECT_TRUE(text.IsNull());

    // One identity, and nothing else answered.
    ComPtr<IUnknown> a = create.As<IUnknown>(), b = info.As<IUnknown>();
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_FALSE(info.As<IDispatch>());
    EXPECT_EQ(E_INVALIDARG, info->GetDescription(nullptr));
    EXPECT_EQ(E_INVALIDARG, info->GetGUID(nullptr));
    EXPECT_EQ(E_INVALIDARG, CreateErrorInfo(nullptr));
}

TEST(ThreadErrorInfo, GetHandsTheRecordOverOnce)
{
    ClearThreadError();
    ComPtr<IErrorInfo> info = MakeError(u"first");
    ASSERT_EQ(S_OK, SetErrorInfo(0, info.Get()));

    ComPtr<IErrorInfo> taken;
    ASSERT_EQ(S_OK, GetErrorInfo(0, taken.Out()));
    EXPECT_EQ(info.Get(), taken.Get());
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, taken.Out()));
    EXPECT_FALSE(taken);

    // A new record replaces (and releases) the old one; null clears it.
    SetErrorInfo(0, info.Get());
    ComPtr<IErrorInfo> second = MakeError(u"second");
    SetErrorInfo(0, second.Get());
    info.Get()->AddRef();
    EXPECT_EQ(1u, info.Get()->Release()); // only our own reference is left
    ASSERT_EQ(S_OK, GetErrorInfo(0, taken.Out()));
    EXPECT_EQ(u"second", DescriptionOf(taken.Get()));
    SetErrorInfo(0, second.Get());
    EXPECT_EQ(S_OK, SetErrorInfo(0, nullptr));
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, taken.Out()));

    EXPECT_EQ(E_INVALIDARG, GetErrorInfo(0, nullptr));
    EXPECT_EQ(E_INVALIDARG, SetErrorInfo(1, second.Get()));
    EXPECT_EQ(E_INVALIDARG, GetErrorInfo(1, taken.Out()));
}

TEST(ThreadErrorInfo, EachThreadHasItsOwnRecordFreedWhenTheThreadEnds)
{
    ClearThreadError();
    ComPtr<IErrorInfo> mine = MakeError(u"main");
    SetErrorInfo(0, mine.Get());

    ComPtr<IErrorInfo> leftBehind = MakeError(u"left behind");
    std::thread([&] {
        ComPtr<IErrorInfo> none;
        EXPECT_EQ(S_FALSE, GetErrorInfo(0, none.Out())); // the main thread's record is not seen here
        SetErrorInfo(0, leftBehind.Get());                // never taken: released at thread exit
    }).join();
    leftBehind.Get()->AddRef();
    EXPECT_EQ(1u, leftBehind.Get()->Release());

    // Several threads at once, each reading back only what it set.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            std::u16string name = u"thread " + std::u16string(1, static_cast<char16_t>(u'0' + t));
            for (int i = 0; i < 500; ++i) {
                SetErrorInfo(0, MakeError(name.c_str()).Get());
                ComPtr<IErrorInfo> got;
                ASSERT_EQ(S_OK, GetErrorInfo(0, got.Out()));
                ASSERT_EQ(name, DescriptionOf(got.Get()));
            }
        });
    for (auto& thread : threads)
        thread.join();

    ComPtr<IErrorInfo> got;
    ASSERT_EQ(S_OK, GetErrorInfo(0, got.Out()));
    EXPECT_EQ(u"main", DescriptionOf(got.Get()));
}
