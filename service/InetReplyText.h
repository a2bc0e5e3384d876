// Collects a reply body as the transport has always read it: in 255-byte
// chunks, each kept up to its first zero byte.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace InetStuff {

class InetReplyText {
public:
    static constexpr std::size_t ChunkSize = 255;

    // Takes the next bytes of the body as they arrive, in pieces of any size.
    void Append(const char* data, std::size_t size)
    {
        while (size > 0) {
            if (chunkCut_) {
                // Drop the rest of the chunk that a zero byte ended.
                const std::size_t skip = std::min(size, ChunkSize - offsetInChunk_);
                data += skip;
                size -= skip;
                offsetInChunk_ += skip;
                if (offsetInChunk_ == ChunkSize) {
                    offsetInChunk_ = 0;
                    chunkCut_ = false;
                }
                continue;
            }
            // Everything up to the next zero byte is kept, across chunks.
            const void* zero = std::memchr(data, 0, size);
            const std::size_t keep = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size;
            text_.append(data, keep);
            const std::size_t consumed = zero ? keep + 1 : keep;
            offsetInChunk_ = (offsetInChunk_ + consumed) % ChunkSize;
            // A zero that was its chunk's last byte cuts nothing more.
            chunkCut_ = zero != nullptr && offsetInChunk_ != 0;
            data += consumed;
            size -= consumed;
        }
    }

    std::string Take() { return std::move(text_); }

private:
    std::string text_;
    std::size_t offsetInChunk_ = 0;
    bool chunkCut_ = false;  // a zero byte ended the current chunk's text
};

} // namespace InetStuff
