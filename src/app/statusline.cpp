#include "app/statusline.h"

#include <utility>

#include "app/windowtexts.h"

namespace orvanel {

namespace {

StatusLine::Message Reminder() {
    return {kStatusText, StatusLine::Cause::Reminder, -1, 0};
}

} // namespace

StatusLine::StatusLine(MainView& view)
    : view_(view), current_(Reminder()), beforeRun_(Reminder()) {}

void StatusLine::Put(Message message) {
    const bool changed = message.text != current_.text;
    current_ = std::move(message);
    if (changed) {
        view_.SetStatusText(current_.text);
    }
}

void StatusLine::Show(std::string text, Cause cause, int day, int row) {
    if (current_.cause == Cause::Running && cause != Cause::AnotherRun) {
        beforeRun_ = Reminder(); // the message from before the run has left
    }
    Put({std::move(text), cause, day, row});
}

void StatusLine::Saved() {
    beforeRun_ = Reminder();
    if (current_.cause != Cause::Running) {
        Put(Reminder());
    }
}

bool StatusLine::Matches(const Message& message, Cause cause, int day, int row) {
    return message.cause == cause &&
           (cause != Cause::EmptyRow || (message.day == day && message.row == row));
}

void StatusLine::End(Cause cause, int day, int row) {
    if (Matches(beforeRun_, cause, day, row)) {
        beforeRun_ = Reminder();
    }
    if (Matches(current_, cause, day, row)) {
        Put(Reminder());
    }
}

void StatusLine::RunBegins(std::string text) {
    if (current_.cause != Cause::Running) {
        beforeRun_ = current_;
    }
    Put({std::move(text), Cause::Running, -1, 0});
}

void StatusLine::RunEnds() {
    if (current_.cause == Cause::Running || current_.cause == Cause::AnotherRun) {
        Put(std::move(beforeRun_));
    }
    beforeRun_ = Reminder();
}

} // namespace orvanel
