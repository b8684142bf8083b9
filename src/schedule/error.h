// The one error type of the program. It carries the system's own message
// ("Cannot open file monlist.ini", "'x' is not a valid integer value"); the
// window shows it followed by "." in the error box.
//
// An operation that goes on after a failure (start-up reads every file even
// when one cannot be read) reports every failure in one Error: its messages
// are joined by ".\n", so that with the box's final "." each message stands
// on a line of its own, ending in ".".
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace orvanel {

namespace detail {
inline std::string JoinMessages(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& message : messages) {
        if (!text.empty()) {
            text += ".\n";
        }
        text += message;
    }
    return text;
}
} // namespace detail

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message), messages_{message} {}
    // Several failures at once; what() lists them in order.
    explicit Error(std::vector<std::string> messages)
        : std::runtime_error(detail::JoinMessages(messages)), messages_(std::move(messages)) {}

    const std::vector<std::string>& Messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
};

// "Keep the failure and go on": runs steps one after another, keeps the
// messages of the Errors they throw (each message once, in order), and
// throws them all together at the end.
class ErrorList {
public:
    // Runs `step`; an Error it throws is kept instead of ending the caller.
    template <typename Step> void Run(Step&& step) {
        try {
            std::forward<Step>(step)();
        } catch (const Error& error) {
            Add(error);
        }
    }

    void Add(const Error& error) {
        for (const std::string& message : error.Messages()) {
            Add(message);
        }
    }
    void Add(const std::string& message) {
        if (std::find(messages_.begin(), messages_.end(), message) == messages_.end()) {
            messages_.push_back(message);
        }
    }

    bool Empty() const { return messages_.empty(); }

    // Throws one Error with every message kept, if any; a single message
    // gives the same Error as throwing it alone.
    void ThrowIfAny() const {
        if (!messages_.empty()) {
            throw Error(messages_);
        }
    }

private:
    std::vector<std::string> messages_;
};

} // namespace orvanel
