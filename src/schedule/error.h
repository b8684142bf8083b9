// The one error type of the program. It carries the system's own message
// ("Cannot open file monlist.ini", "'x' is not a valid integer value"); the
// window shows it followed by "." in the error box.
#pragma once

#include <stdexcept>
#include <string>

namespace orvanel {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace orvanel
