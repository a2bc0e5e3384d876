// Encoding of request bodies and replies where the pipeline meets the transport.
#include "service/ServiceWireText.h"

#include <gtest/gtest.h>

namespace {

// "Zoë Ñúñez" in the library's ANSI code page and in UTF-8.
const std::string ansiName = "Zo\xEB \xD1\xFA\xF1" "ez";
const std::string utf8Name = "Zo\xC3\xAB \xC3\x91\xC3\xBA\xC3\xB1" "ez";

TEST(PipelineWireText, BodyGoesOutAsUtf8)
{
    EXPECT_EQ(Tessaly::BodyToWire("<request user_name=\"" + ansiName + "\"/>"),
              "<request user_name=\"" + utf8Name + "\"/>");
    EXPECT_EQ(Tessaly::BodyToWire("plain ascii"), "plain ascii");
}

TEST(PipelineWireText, RepliesAreDecodedByWhatTheyAre)
{
    struct Case {
        const char* what;
        std::string reply;
        std::string expected;
    };
    const Case cases[] = {
        {"UTF-8 without declaration", "<a n=\"" + utf8Name + "\"/>", "<a n=\"" + ansiName + "\"/>"},
        {"UTF-8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a n=\"" + utf8Name + "\"/>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a n=\"" + ansiName + "\"/>"},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF<a n=\"" + utf8Name + "\"/>", "<a n=\"" + ansiName + "\"/>"},
        {"Latin-1 bytes, no declaration (not UTF-8)", "<a n=\"" + ansiName + "\"/>", "<a n=\"" + ansiName + "\"/>"},
        // Bytes that happen to be valid UTF-8 still follow a Latin declaration.
        {"Latin-1 declared", "<?xml version='1.0' encoding='ISO-8859-1'?><a n=\"\xC3\xAB\"/>",
         "<?xml version='1.0' encoding='ISO-8859-1'?><a n=\"\xC3\xAB\"/>"},
        {"Windows-1252 declared", "<?xml version=\"1.0\" encoding = \"windows-1252\" ?><a n=\"\x80\"/>",
         "<?xml version=\"1.0\" encoding = \"windows-1252\" ?><a n=\"\x80\"/>"},
        {"outside Windows-1252", "<a n=\"\xE2\x82\xAC \xE4\xB8\xAD\"/>", "<a n=\"\x80 ?\"/>"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tessaly::ReplyFromWire(c.reply), c.expected) << c.what;
}

TEST(PipelineWireText, RecognisesWellFormedUtf8)
{
    struct Case {
        std::string bytes;
        bool wellFormed;
    };
    const Case cases[] = {
        {"", true},
        {"ascii", true},
        {utf8Name, true},
        {"\xF0\x9F\x98\x80", true},           // U+1F600
        {ansiName, false},                    // Latin-1
        {"\xC3", false},                      // truncated
        {"\xC0\xAF", false},                  // overlong '/'
        {"\xED\xA0\x80", false},              // surrogate
        {"\xF4\x90\x80\x80", false},          // above U+10FFFF
        {"\x80", false},                      // lone continuation byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tessaly::IsWellFormedUtf8(c.bytes), c.wellFormed) << testing::PrintToString(c.bytes);
}

} // namespace
