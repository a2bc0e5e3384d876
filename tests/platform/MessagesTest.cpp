#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

TEST(SystemMessages, EveryReportedCodeHasATextEndingInALineBreak)
{
    const HRESULT codes[] = {
        E_NOTIMPL, E_NOINTERFACE, E_POINTER, E_ABORT, E_FAIL, E_UNEXPECTED, E_ACCESSDENIED, E_HANDLE,
        E_OUTOFMEMORY, E_INVALIDARG, CLASS_E_NOAGGREGATION, CLASS_E_CLASSNOTAVAILABLE, REGDB_E_READREGDB,
        REGDB_E_WRITEREGDB, REGDB_E_KEYMISSING, REGDB_E_CLASSNOTREG, REGDB_E_IIDNOTREG, CO_E_CLASSSTRING,
        CO_E_DLLNOTFOUND, CO_E_ERRORINDLL, SELFREG_E_TYPELIB, SELFREG_E_CLASS, DISP_E_UNKNOWNINTERFACE,
        DISP_E_MEMBERNOTFOUND, DISP_E_PARAMNOTFOUND, DISP_E_TYPEMISMATCH, DISP_E_UNKNOWNNAME,
        DISP_E_NONAMEDARGS, DISP_E_BADVARTYPE, DISP_E_EXCEPTION, DISP_E_OVERFLOW, DISP_E_BADINDEX,
        DISP_E_UNKNOWNLCID, DISP_E_ARRAYISLOCKED, DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTOPTIONAL,
        DISP_E_DIVBYZERO, TYPE_E_ELEMENTNOTFOUND, TYPE_E_LIBNOTREGISTERED, TYPE_E_CANTLOADLIBRARY,
        // Plain Win32 errors and their result-code forms.
        2, 3, 5, 6, 8, 11, 87, 126, 127,
        HResultFromWin32(ERROR_FILE_NOT_FOUND), HResultFromWin32(ERROR_PATH_NOT_FOUND),
        HResultFromWin32(8), HResultFromWin32(ERROR_BAD_FORMAT), HResultFromWin32(ERROR_MOD_NOT_FOUND),
        HResultFromWin32(ERROR_PROC_NOT_FOUND),
    };
    std::set<std::string> distinct;
    for (HRESULT code : codes) {
        SCOPED_TRACE(testing::Message() << std::hex << static_cast<uint32_t>(code));
        auto text = SystemMessageText(code);
        ASSERT_TRUE(text.has_value());
        ASSERT_GT(text->size(), 2u);
        EXPECT_EQ("\r\n", text->substr(text->size() - 2));
        EXPECT_EQ(std::string::npos, text->find('%')); // no inserts to fill
        distinct.insert(*text);
    }
    EXPECT_GT(distinct.size(), 40u); // the codes do not all share one text

    // A Win32 error and its result code say the same.
    EXPECT_EQ(SystemMessageText(5), SystemMessageText(E_ACCESSDENIED));
    EXPECT_EQ(SystemMessageText(87), SystemMessageText(E_INVALIDARG));
    EXPECT_EQ(SystemMessageText(126), SystemMessageText(HResultFromWin32(126)));
}

TEST(SystemMessages, UnknownCodesHaveNoText)
{
    // Callers fall back to their own wording ("IDispatch error #%d", "Unknown error 0x%0lX").
    for (uint32_t code : {0x80040205u, 0x80041434u, 0xA0001234u, 0x80070000u, 0x8007FFFFu, 9999u, 0x12345678u})
        EXPECT_FALSE(SystemMessageText(MakeHResult(code)).has_value()) << std::hex << code;
}

TEST(SystemMessages, FormatMessageWritesTerminatedAndTruncatedText)
{
    const std::string full = *SystemMessageText(E_FAIL);
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(E_FAIL), 0x400, buffer, sizeof buffer, nullptr);
    EXPECT_EQ(full.size(), n);
    EXPECT_EQ(full, std::string(buffer));

    char small[6];
    std::memset(small, '#', sizeof small);
    n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_FAIL), 0, small, sizeof small,
                       nullptr);
    EXPECT_EQ(5u, n);
    EXPECT_EQ(full.substr(0, 5), std::string(small));

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x80040205, 0, buffer, sizeof buffer, nullptr));
    EXPECT_EQ('#', buffer[0]);
    EXPECT_EQ(0u, FormatMessageA(0, nullptr, static_cast<DWORD>(E_FAIL), 0, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_FAIL), 0, buffer, 0,
                                 nullptr));
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_FAIL), 0, nullptr, 64,
                                 nullptr));
}
