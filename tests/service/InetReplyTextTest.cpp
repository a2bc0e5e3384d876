#include "service/InetReplyText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using InetStuff::InetReplyText;

// The reply as 255-byte chunks read one by one, each kept up to its first
// zero byte.
std::string ReadInChunks(const std::string& body)
{
    std::string text;
    for (std::size_t at = 0; at < body.size(); at += 255) {
        const std::string chunk = body.substr(at, 255);
        text += chunk.substr(0, chunk.find('\0'));
    }
    return text;
}

// However the network splits the body, the result is that of reading it in
// 255-byte chunks.
TEST(InetReplyText, CutsEachChunkAtItsFirstZeroWhateverThePieceSizes)
{
    std::mt19937 random(7);
    std::string body;
    for (int i = 0; i < 4000; ++i)
        body += random() % 97 == 0 ? '\0' : static_cast<char>('a' + random() % 26);
    // Zeros on chunk edges: last byte of a chunk, first byte of the next.
    body[254] = '\0';
    body[510] = '\0';
    body[1019] = body[1020] = '\0';

    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{254}, std::size_t{255}, std::size_t{256},
                              std::size_t{1000}, body.size()}) {
        InetReplyText text;
        for (std::size_t at = 0; at < body.size(); at += piece)
            text.Append(body.data() + at, std::min(piece, body.size() - at));
        EXPECT_EQ(text.Take(), ReadInChunks(body)) << "pieces of " << piece;
    }
}

} // namespace
