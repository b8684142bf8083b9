#include "app/mainform.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "app/windowtexts.h"
#include "desktop/datetimetext.h"
#include "scheduler/runner.h"

namespace orvanel {

MainForm::MainForm(MainView& view, DesktopServices& desktop)
    : view_(view), desktop_(desktop), locale_(desktop.GetLocaleInfoA()), keys_(desktop),
      store_(view), scheduler_(keys_, store_) {}

MainForm::MainForm(MainView& view, DesktopServices& desktop, std::filesystem::path directory,
                   ScheduleFiles& files)
    : view_(view), desktop_(desktop), locale_(desktop.GetLocaleInfoA()), keys_(desktop),
      store_(view, std::move(directory), files), scheduler_(keys_, store_) {}

void MainForm::SetOwner(WindowHandle owner) {
    owner_ = owner;
    scheduler_.SetOwner(owner);
}

// ---- Error reports ----

template <class Work> void MainForm::Run(Work&& work) {
    ++depth_;
    try {
        std::forward<Work>(work)();
    } catch (const std::exception& error) {
        Report(error.what());
    } catch (...) {
        Report("Unknown error");
    }
    --depth_;
    if (depth_ == 0) {
        ShowWaitingBoxes();
    }
}

void MainForm::Report(const std::string& message) {
    std::string text = message + ".";
    if (std::find(reported_.begin(), reported_.end(), text) != reported_.end()) {
        return; // its box is open, or about to open, already
    }
    reported_.push_back(text);
    waiting_.push_back(std::move(text));
}

void MainForm::ShowWaitingBoxes() {
    // A view whose box runs its own event loop may call a handler meanwhile;
    // what that one reports waits for this box to close.
    if (showingBox_) {
        return;
    }
    showingBox_ = true;
    while (!waiting_.empty()) {
        const std::string text = std::move(waiting_.front());
        waiting_.pop_front();
        try {
            view_.ShowErrorBox(text);
        } catch (...) {
            // A box that cannot be shown cannot be reported either.
            ErrorBoxClosed(text);
        }
    }
    showingBox_ = false;
}

void MainForm::ErrorBoxClosed(const std::string& text) {
    const auto open = std::find(reported_.begin(), reported_.end(), text);
    if (open != reported_.end()) {
        reported_.erase(open);
    }
}

// ---- Handlers ----

void MainForm::FormCreate() {
    firstActivation_ = true;
    Run([this] {
        for (int day = 0; day < kDayCount; ++day) {
            for (int column = 0; column < kGridColumns; ++column) {
                const auto c = static_cast<std::size_t>(column);
                view_.SetCell(day, column, 0, kColumnCaptions[c]);
                view_.SetColumnWidth(day, column, kColumnWidths[c]);
            }
        }
    });
    // The mark of the last examined minute is set before the timer starts:
    // the minute in which the program starts is not examined, and a minute
    // that begins while the files are read is examined by the first tick.
    Run([this] {
        scheduler_.Start();
        view_.StartTimer(kTimerInterval);
    });
    Run([this] {
        view_.SetManualCaption(kManualCaption);
        store_.StartUp();
    });
}

void MainForm::FormActivate() {
    Run([this] {
        if (firstActivation_) {
            firstActivation_ = false;
            view_.SetDateText(DateTimeText(desktop_.GetLocalTime(), locale_));
        }
    });
}

void MainForm::FormClose() {
    Run([this] {
        view_.StopTimer();
        store_.Release();
    });
}

void MainForm::BitBtn1Click() {
    Run([this] { scheduler_.TestFirstTuesdayLine(); });
}

void MainForm::BitBtn2Click() {
    Run([this] { store_.Save(); });
}

void MainForm::Timer1Timer() {
    Run([this] {
        view_.SetDateText(DateTimeText(desktop_.GetLocalTime(), locale_));
        scheduler_.Tick();
    });
}

void MainForm::Label9Click() {
    Run([this] {
        desktop_.ShellExecuteA(owner_, kShellVerb, kVendorAddress, nullptr, nullptr, kShowNormal);
    });
}

void MainForm::Label10Click() {
    Run([this] {
        desktop_.ShellExecuteA(owner_, kShellVerb, kManualFileName, nullptr, nullptr, kShowNormal);
    });
}

void MainForm::Label9MouseMove() {
    Run([this] { view_.SetLinkColour(Link::Site, LinkColour::Red); });
}

void MainForm::Label10MouseMove() {
    Run([this] { view_.SetLinkColour(Link::Manual, LinkColour::Red); });
}

void MainForm::TabSheet1MouseMove() {
    Run([this] {
        view_.SetLinkColour(Link::Site, LinkColour::Blue);
        view_.SetLinkColour(Link::Manual, LinkColour::Blue);
    });
}

void MainForm::Label5MouseMove() {
    TabSheet1MouseMove();
}

} // namespace orvanel
