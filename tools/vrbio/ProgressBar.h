// A one-line progress bar on standard error for long copies. It draws only
// on a terminal and only for inputs large enough to be worth watching.
#pragma once

#include <cstdint>

namespace vrbio {

class ProgressBar {
public:
    static constexpr std::int64_t kThreshold = std::int64_t{4} << 20;

    ProgressBar(bool onTerminal, std::int64_t total);
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    bool shown() const { return shown_; }
    // Redraws when the percentage has changed since the last drawing.
    void update(std::int64_t done);
    // Clears the line; later updates draw nothing.
    void finish();

private:
    void draw(int percent, std::int64_t done) const;

    bool shown_;
    std::int64_t total_;
    int drawnPercent_ = -1;
};

}  // namespace vrbio
