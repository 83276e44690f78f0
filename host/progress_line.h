// A one-line progress report on stderr (files done / total, files per
// second), drawn only on a terminal and only once a run has taken more than
// a second, so short runs and redirected runs stay silent.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

// A total of 0 means not known (paths still coming from a list).
class ProgressLine {
public:
    ProgressLine(std::size_t total, bool enabled, std::FILE* stream = stderr);
    // Redraws with done files finished, at most ten times a second.
    void Update(std::size_t done);
    // Removes the line (before other output, and at the end).
    void Clear();

private:
    using Clock = std::chrono::steady_clock;
    std::size_t total_;
    bool enabled_;
    std::FILE* stream_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    std::size_t drawnWidth_ = 0;
};

std::string ProgressText(std::size_t done, std::size_t total, double seconds);
