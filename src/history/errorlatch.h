// Which integer errors have been recorded: a malformed Hour or Min. comes
// back at every minute of its weekday, and is recorded once per line and
// weekday, and again only after the line has changed.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace orvanel::history {

class ErrorLatch {
public:
    // Whether the error of line `index` (from 0) of day list `day`, whose
    // text is `line`, is to be recorded now; true the first time, and again
    // when the text at that place has changed since.
    bool ShouldRecord(int day, std::size_t index, std::string_view line);

    // Forgets everything recorded (for instance when the week is reloaded by
    // hand and the user wants every error again).
    void Clear() { recorded_.clear(); }

private:
    std::map<std::pair<int, std::size_t>, std::string> recorded_;
};

} // namespace orvanel::history
