// A progress bar on standard error for long batches: drawn only on a
// terminal, redrawn at most ten times a second, erased when the batch ends.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace scan {

class ProgressBar {
public:
    // Shows nothing unless `to` is a terminal and the batch has more than kThreshold sheets.
    ProgressBar(FILE* to, size_t total);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(size_t done, size_t failed);

    static constexpr size_t kThreshold = 300;

private:
    void Draw(size_t done, size_t failed);

    FILE* to_;
    size_t total_;
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point next_{};
};

} // namespace scan
