#include "host/ScanProgress.h"

#include <unistd.h>

#include <string>

namespace scan {

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr size_t kBarWidth = 40;
} // namespace

ProgressBar::ProgressBar(FILE* to, size_t total)
    : to_(to), total_(total), shown_(total > kThreshold && isatty(fileno(to)))
{
}

ProgressBar::~ProgressBar()
{
    if (drawn_) {
        std::fputs("\r\033[K", to_); // erase the bar's line
        std::fflush(to_);
    }
}

void ProgressBar::Update(size_t done, size_t failed)
{
    if (!shown_)
        return;
    auto now = std::chrono::steady_clock::now();
    if (now < next_ && done < total_)
        return;
    next_ = now + kRedrawInterval;
    Draw(done, failed);
}

void ProgressBar::Draw(size_t done, size_t failed)
{
    size_t filled = total_ ? done * kBarWidth / total_ : kBarWidth;
    std::string bar(filled, '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(to_, "\r[%s] %zu/%zu sheets, %zu failed", bar.c_str(), done, total_, failed);
    std::fflush(to_);
    drawn_ = true;
}

} // namespace scan
