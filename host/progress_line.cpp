#include "host/progress_line.h"

namespace {

constexpr std::chrono::milliseconds kQuietStart{1000};
constexpr std::chrono::milliseconds kRedrawInterval{100};

}  // namespace

ProgressLine::ProgressLine(std::size_t total, bool enabled, std::FILE* stream)
    : total_(total), enabled_(enabled), stream_(stream), start_(Clock::now()), lastDraw_(start_) {}

void ProgressLine::Update(std::size_t done) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < kQuietStart || (drawnWidth_ > 0 && now - lastDraw_ < kRedrawInterval)) return;
    lastDraw_ = now;
    const std::string text = ProgressText(done, total_, std::chrono::duration<double>(now - start_).count());
    // Spaces rather than an erase sequence, which not every console knows.
    const std::size_t pad = drawnWidth_ > text.size() ? drawnWidth_ - text.size() : 0;
    std::fprintf(stream_, "\r%s%*s", text.c_str(), static_cast<int>(pad), "");
    std::fflush(stream_);
    drawnWidth_ = text.size();
}

void ProgressLine::Clear() {
    if (drawnWidth_ == 0) return;
    std::fprintf(stream_, "\r%*s\r", static_cast<int>(drawnWidth_), "");
    std::fflush(stream_);
    drawnWidth_ = 0;
}

std::string ProgressText(std::size_t done, std::size_t total, double seconds) {
    char text[96];
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    if (total == 0) std::snprintf(text, sizeof text, "%zu files, %.0f files/s", done, rate);
    else std::snprintf(text, sizeof text, "%zu/%zu files, %.0f files/s", done, total, rate);
    return text;
}
