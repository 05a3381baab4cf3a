#include "ProgressBar.h"

#include <cstdio>

namespace vrbio {

namespace {

constexpr int kBarWidth = 40;
constexpr double kMebibyte = 1024.0 * 1024.0;

}  // namespace

ProgressBar::ProgressBar(bool onTerminal, std::int64_t total)
    : shown_(onTerminal && total >= kThreshold), total_(total) {}

void ProgressBar::update(std::int64_t done) {
    if (!shown_) return;
    if (done > total_) done = total_;
    int percent = static_cast<int>(done * 100 / total_);
    if (percent == drawnPercent_) return;
    drawnPercent_ = percent;
    draw(percent, done);
}

void ProgressBar::draw(int percent, std::int64_t done) const {
    char bar[kBarWidth + 1];
    int filled = percent * kBarWidth / 100;
    for (int index = 0; index < kBarWidth; ++index) bar[index] = index < filled ? '#' : ' ';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f of %.1f MiB", bar, percent, static_cast<double>(done) / kMebibyte,
                 static_cast<double>(total_) / kMebibyte);
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (!shown_) return;
    shown_ = false;
    if (drawnPercent_ < 0) return;
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 40, "");
    std::fflush(stderr);
}

}  // namespace vrbio
