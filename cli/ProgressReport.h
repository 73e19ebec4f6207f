#pragma once

#include <chrono>
#include <string>

#include "cli/HeadlessWindow.h"

namespace larkspire {

// "<done>/<rows> URLs  Processed <row>  <rate>/s  <elapsed>  Completed <n>  Error 404 <n> ...": the run as it
// goes, with the window's "Processed" figure (the row whose check began last) and time label.
std::string ProgressLine(const RunProgress& progress, int rowCount, std::chrono::steady_clock::time_point now);

// "Ping terminated: <done> of <rows> URLs checked in <s> s (<rate>/s); Completed <n>, ...", with the URLs left
// unchecked after an abort.
std::string SummaryLine(const RunProgress& progress, int rowCount, std::chrono::steady_clock::time_point now);

// The progress line on standard error, redrawn in place: each step of loading the lists, then the run a few times
// per second; silent unless standard error is a terminal.
class ProgressDisplay {
public:
    ProgressDisplay();

    // What is being loaded before the run: "Loading websites <file>", "Expanding ...".
    void ShowLoading(const std::string& step);
    void Update(const RunProgress& progress, int rowCount);
    // Clears the line, so the summary starts on a clean one.
    void Finish();

private:
    const bool enabled_;
    std::chrono::steady_clock::time_point lastDrawn_{};
    bool drawn_ = false;
};

}  // namespace larkspire
