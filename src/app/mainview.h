// The main window as the window logic (MainForm) sees it. A view is one
// toolkit's window: it owns the widgets, lays them out, and forwards the
// user's events to the form's handlers; the form decides what they do and
// talks back only through this interface.
//
// Everything is called on the thread of the view's event loop, one call at a
// time. Texts come in three encodings, all in std::string, and each parameter
// is named for its own: cp1252 (code page 1252 bytes as they stand in the
// files: grid cells, the spin box, captions and error messages), locale (the
// character set of the user's locale: the date-time text; on Windows the same
// code page) and utf8 (the status line and the run history).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "schedule/store.h"

namespace orvanel {

// The two links of the General page.
enum class Link {
    Site,   // the vendor's web site
    Manual, // the documentation, "schedule.html"
};

// The colours of a link: Blue is pure blue (0, 0, 255), Red pure red (255, 0, 0).
enum class LinkColour { Blue, Red };

// The inherited ScheduleView gives the store the day grids (day 0 Monday to 6
// Sunday, column 0 to 4, row 0 the header row and rows 1 to 24 the task
// rows) and the text of the script delay spin box, kept exactly as typed.
class MainView : public ScheduleView {
public:
    // The width of a day grid's column, in pixels at 96 dpi (a view scales
    // it to its screen).
    virtual void SetColumnWidth(int day, int column, int width) = 0;

    // The date label; it sizes itself to its text.
    virtual void SetDateText(const std::string& localeText) = 0;

    // The caption of the documentation link; the link sizes itself to it.
    virtual void SetManualCaption(const std::string& cp1252Text) = 0;

    virtual void SetLinkColour(Link link, LinkColour colour) = 0;

    // Starts the minute timer: every `milliseconds` it calls the form's
    // Timer1Timer. StopTimer stops it for good.
    virtual void StartTimer(std::uint32_t milliseconds) = 0;
    virtual void StopTimer() = 0;

    // Opens the error box: captioned with the application title, the text, a
    // stop icon and an OK button. It may return at once (a box that stays
    // open) or when the box is closed. Either way, when the user dismisses the
    // box the view calls the form's ErrorBoxClosed with the same text. The
    // form never calls this while one of its handlers is running, nor while
    // an earlier call has not returned.
    virtual void ShowErrorBox(const std::string& cp1252Text) = 0;

    // Asks a question in a box: captioned with the application title,
    // `text`, a question icon, and the buttons Yes and No, No being the
    // default. Returns when the box is closed: true for Yes, false for No or
    // a box closed otherwise. Events may be handled meanwhile (a modal box's
    // own event loop), handlers included.
    virtual bool AskQuestion(const std::string& text) = 0;

    // ---- The run history (texts in UTF-8); a view without a History page
    // may leave these as they are ----

    // Shows the text in the status line until the next call: a message, or
    // the reminder once the message is no longer true. A text longer than the
    // line ends in "..." and shows whole as the line's tool tip.
    virtual void SetStatusText(const std::string& utf8Text) { (void)utf8Text; }

    // The rows of the form's History() gained `added` at the front and lost
    // `dropped` at the back; both 0: the rows stay, but their texts (the
    // times, after midnight) may have changed. Its NextTaskText() and
    // LastRunText() are to be shown again.
    virtual void HistoryChanged(std::size_t added, std::size_t dropped) {
        (void)added;
        (void)dropped;
    }

    // A text of the locale (weekday names, the date-time text, in the
    // locale's character set) in UTF-8, for the History page.
    virtual std::string LocaleTextToUtf8(const std::string& text) const { return text; }

    // The check box "Start Orvanel when I log in" shows `checked`; a view
    // without it may leave this as it is.
    virtual void SetAutostartChecked(bool checked) { (void)checked; }
};

} // namespace orvanel
