// The status line's messages. The line shows one message at a time in place
// of the reminder "Click the GENERAL Tab and choose SAVE to save your
// data!!!". A message leaves at the first of these: the next message, a
// save, or a change that ends what it tells of; the reminder then comes back.
// While a task runs, the line names it; afterwards it shows again the
// message from before the run, if that has not left meanwhile.
#pragma once

#include <string>

#include "app/mainview.h"

namespace orvanel {

class StatusLine {
public:
    // What a message tells of, so that it can leave when that is over.
    enum class Cause {
        Reminder,     // the reminder itself
        Event,        // something that happened: only the next message or a save ends it
        EmptyRow,     // Run now of a row without an EXE name: ends when it gets one
        HistoryWrite, // the history cannot be written: ends when a record is written
        AnotherRun,   // Run now while a task runs: ends when that run ends
        Running,      // a task runs: ends when it ends
    };

    struct Message {
        std::string text;
        Cause cause = Cause::Reminder;
        int day = -1; // the row of an EmptyRow message
        int row = 0;
    };

    explicit StatusLine(MainView& view);

    // Shows a new message; the one before leaves.
    void Show(std::string text, Cause cause = Cause::Event, int day = -1, int row = 0);
    // Every message leaves: the data has been saved.
    void Saved();
    // The message leaves when it tells of `cause` (of row `row` of day `day`
    // for EmptyRow).
    void End(Cause cause, int day = -1, int row = 0);

    // A task run begins: the line names it until RunEnds.
    void RunBegins(std::string text);
    void RunEnds();

    const Message& Current() const { return current_; }
    const std::string& Text() const { return current_.text; }

private:
    static bool Matches(const Message& message, Cause cause, int day, int row);
    void Put(Message message);

    MainView& view_;
    Message current_;
    Message beforeRun_; // given back when the run ends
};

} // namespace orvanel
