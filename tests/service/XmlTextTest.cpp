#include "service/XmlText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using XmlStuff::ExtractElement;
using XmlStuff::FindNoCase;
using XmlStuff::InnerText;
constexpr auto npos = std::string::npos;

TEST(FindNoCase, FindsFirstMatchIgnoringAsciiCase)
{
    struct Case {
        const char* text;
        const char* pattern;
        std::string::size_type from;
        std::string::size_type expected;
    };
    const Case cases[] = {
        {"<SOAP-ENV:Fault>", "<soap-env:fault", 0, 0},
        {"ab<Fault><fault>", "<FAULT", 0, 2},
        {"ab<Fault><fault>", "<FAULT", 3, 9},
        {"abc", "", 0, 0},         // empty pattern: first position of a non-empty text
        {"abc", "", 2, 2},
        {"", "", 0, npos},         // no position in an empty text
        {"abc", "abcd", 0, npos},  // pattern runs past the end
        {"xxab", "AB", 2, 2},      // match ending exactly at the end
        {"abc", "b", 3, npos},     // start past the end
        {"\xC4x", "\xE4X", 0, npos},  // only ASCII letters fold
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindNoCase(c.text, c.pattern, c.from), c.expected) << c.text << " / " << c.pattern << " @" << c.from;
}

TEST(ExtractElement, ReturnsFirstElementOrEmpty)
{
    struct Case {
        const char* text;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"<a><SOAP-ENV:Fault><faultstring>x</faultstring></SOAP-ENV:Fault></a>", "SOAP-ENV:Fault",
         "<SOAP-ENV:Fault><faultstring>x</faultstring></SOAP-ENV:Fault>"},
        {"<soap-env:fault>y</soap-env:fault >tail", "SOAP-ENV:Fault", "<soap-env:fault>y</soap-env:fault >"},
        {"<reply><ok/></reply>", "SOAP-ENV:Fault", ""},
        {"", "x", ""},
        // A longer name with the same start also matches.
        {"<faultstringX>v</faultstringX>", "faultstring", "<faultstringX>v</faultstringX>"},
        // End tag without its ">": the rest of the text.
        {"pre<e>v</e", "e", "<e>v</e"},
        // No end tag: up to the first "/>", else the rest.
        {"<r><e a='1'/><f/></r>", "e", "<e a='1'/>"},
        {"<e>open", "e", "<e>open"},
        // The first start tag wins even when an earlier end tag exists.
        {"</e><e>v</e>", "e", "<e>v</e>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractElement(c.text, c.name), c.expected) << c.text << " / " << c.name;
}

TEST(InnerText, ReturnsContentBetweenTags)
{
    struct Case {
        const char* element;
        const char* expected;
    };
    const Case cases[] = {
        {"<faultstring>Bad user</faultstring>", "Bad user"},
        {"<faultstring xml:lang=\"en\">Bad user</faultstring>", "Bad user"},
        {"<faultstring/>", ""},
        {"<faultstring />", ""},
        {"<faultstring\n>a &amp; b</FAULTSTRING>", "a &amp; b"},  // entities stay, end tag case ignored
        {"<e></e>", ""},
        {"<e><f>x</f></e>", "<f>x</f>"},
        // Not shaped like an element: the whole input.
        {"", ""},
        {"plain", "plain"},
        {"< e>x</e>", "< e>x</e>"},
        {"<e x='1'", "<e x='1'"},
        {"<e>no end", "<e>no end"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InnerText(c.element), c.expected) << c.element;
}

TEST(InnerText, ReadsFaultStringOutOfExtractedFault)
{
    const std::string reply =
        "<SOAP-ENV:Envelope><SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
        "<faultstring>Unknown course</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    EXPECT_EQ(InnerText(ExtractElement(ExtractElement(reply, "SOAP-ENV:Fault"), "faultstring")), "Unknown course");
}

} // namespace
