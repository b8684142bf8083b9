// The fixture of the form tests: a recording desktop with its fake clock, a
// fresh directory for the files (through file access that fails on demand),
// and a form on a fake view, started again at will over the same files.
#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/datetimetext.h"
#include "app/mainform.h"
#include "desktop/recording/recording.h"
#include "fakeview.h"
#include "schedule/faultyfiles.h"
#include "support/tempdir.h"
#include "support/timezone.h"

namespace orvanel::test {

// A system log that keeps its messages instead of sending them.
class KeptSystemLog : public history::SystemLog {
public:
    using SystemLog::Send;
    void Send(history::Severity, const std::string& message) noexcept override {
        messages.push_back(message);
    }
    std::vector<std::string> messages;
};

class FormTest : public ::testing::Test {
protected:
    void SetUp() override { desktop_.SetLocalTime(2026, 1, 5, 7, 0, 30); } // a Monday

    // A new view and form (FormCreate runs) over the same directory.
    MainForm& Start() {
        form_.reset();
        view_ = std::make_unique<FakeView>();
        form_ = std::make_unique<MainForm>(*view_, desktop_, dir_.Path(), files_,
                                           HistoryAccess{logFiles_, &systemLog_});
        view_->form = form_.get();
        form_->FormCreate();
        return *form_;
    }

    std::string Bytes(const char* name) const { return ReadBytes(dir_ / name); }
    void Write(const char* name, const std::string& bytes) { WriteBytes(dir_ / name, bytes); }
    std::string Now() { return DateTimeText(desktop_.GetLocalTime(), desktop_.GetLocaleInfoA()); }
    void Type(int day, int row, int column, const std::string& text) {
        view_->SetCell(day, column, row, text);
    }
    std::string CellOf(int day, int row, int column) { return view_->Cell(day, column, row); }

    ScopedTimeZone zone_{"UTC0"};
    RecordingDesktop desktop_;
    TempDir dir_;
    FaultyFiles files_;
    // The history's file access (null: the real one) and its system log.
    history::LogFiles* logFiles_ = nullptr;
    KeptSystemLog systemLog_;
    std::unique_ptr<FakeView> view_;
    std::unique_ptr<MainForm> form_;
};

} // namespace orvanel::test
