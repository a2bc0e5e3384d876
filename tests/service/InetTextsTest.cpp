#include "service/InetException.h"
#include "service/InetTexts.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace InetStuff;

TEST(InetErrorTexts, HoldsOneRowForEachCodeOfTheFourRanges)
{
    std::set<std::uint32_t> expected;
    for (std::uint32_t code = 12001; code <= 12033; ++code) expected.insert(code);
    for (std::uint32_t code = 12036; code <= 12043; ++code) expected.insert(code);
    expected.insert({12110, 12111});
    for (std::uint32_t code = 12130; code <= 12138; ++code) expected.insert(code);
    for (std::uint32_t code = 12150; code <= 12156; ++code) expected.insert(code);
    ASSERT_EQ(expected.size(), 59u);

    ASSERT_EQ(InetErrorTexts.size(), 59u);
    std::uint32_t previous = 0;
    for (const auto& row : InetErrorTexts) {
        EXPECT_GT(row.code, previous) << "rows ascend";
        previous = row.code;
        EXPECT_TRUE(expected.count(row.code)) << row.code;
        ASSERT_NE(row.text, nullptr);
        EXPECT_GT(std::string(row.text).size(), 5u) << row.code;
    }
}

TEST(InetException, TakesTextOfTableCodesAndFormatsOthers)
{
    struct Case {
        const char* step;
        std::uint32_t code;
        const char* message;
    };
    const Case cases[] = {
        {"HttpSendRequest", 12001, "No more handles could be generated at this time."},
        {"HttpSendRequest", 12002, "The request has timed out."},
        {"InternetCrackUrl", 12005, "The URL is invalid."},
        {"InternetCrackUrl", 12006, "The URL scheme could not be recognized or is not supported."},
        {"HttpSendRequest", 12007, "The server name could not be resolved."},
        {"HttpSendRequest", 12017, "The operation was canceled, usually because the handle on which the request was "
                                   "operating was closed before the operation completed."},
        {"HttpSendRequest", 12029, "The attempt to connect to the server failed."},
        {"InternetReadFile", 12030, "The connection with the server has been terminated."},
        {"InternetReadFile", 12031, "The connection with the server has been reset."},
        {"HttpSendRequest", 12037, "Invalid security certificate date."},
        {"HttpSendRequest", 12038, "Invalid security certificate."},
        {"HttpSendRequest", 12039, "ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR"},
        {"HttpSendRequest", 12040, "ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR"},
        {"HttpSendRequest", 12042, "Chg post is non secure."},
        {"HttpSendRequest", 12043, "Post is non secure"},
        {"HttpSendRequest", 12152, "The server response could not be parsed."},
        {"HttpSendRequest", 12156, "Redirect failed."},
        // Codes without a row, just outside and between the ranges.
        {"HttpSendRequest", 0, "HttpSendRequest: Error: 0"},
        {"InternetOpen", 12000, "InternetOpen: Error: 12000"},
        {"HttpSendRequest", 12034, "HttpSendRequest: Error: 12034"},
        {"HttpSendRequest", 12045, "HttpSendRequest: Error: 12045"},
        {"InternetReadFile", 12157, "InternetReadFile: Error: 12157"},
    };
    for (const auto& c : cases) {
        const InetException error(c.step, c.code);
        EXPECT_EQ(error.message, c.message) << c.code;
        EXPECT_STREQ(error.what(), c.message);
    }
    EXPECT_EQ(InetException("ready text").message, "ready text");
}

TEST(HttpStatusTexts, HoldsThe38StatusesAndNamesOthers)
{
    ASSERT_EQ(HttpStatusTexts.size(), 38u);
    const std::set<std::uint32_t> codes = {100, 101, 200, 201, 202, 203, 204, 205, 206, 300, 301, 302, 303,
                                           304, 305, 307, 400, 401, 402, 403, 404, 405, 406, 407, 408, 409,
                                           410, 411, 412, 413, 414, 415, 500, 501, 502, 503, 504, 505};
    for (const auto& row : HttpStatusTexts)
        EXPECT_TRUE(codes.count(row.code)) << row.code;

    EXPECT_EQ(StatusText(404), "object not found");
    EXPECT_EQ(StatusText(201), "object created, reason = new URI");
    EXPECT_EQ(StatusText(206), "partial GET furfilled");
    EXPECT_EQ(StatusText(305), "redirection to proxy, location header specifies proxy to use");
    EXPECT_EQ(StatusText(505), "HTTP version not supported");
    EXPECT_EQ(StatusText(306), "unknown status 306");
    EXPECT_EQ(StatusText(416), "unknown status 416");
    EXPECT_EQ(StatusText(999), "unknown status 999");
    EXPECT_EQ(LookupText(HttpStatusTexts, 416), nullptr);
}

} // namespace
