// A window view for the form tests: grids and spin box in memory, and the
// rest of the window as plain fields. It checks the error box rules as a
// real view would meet them: a box opened while a handler runs, or while
// another box is still opening, is counted in `nestedBoxes`.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/mainform.h"
#include "app/mainview.h"

namespace orvanel::test {

class FakeView : public MainView {
public:
    // ---- MainView ----
    std::string Cell(int day, int column, int row) const override {
        return grids.Cell(day, column, row);
    }
    void SetCell(int day, int column, int row, const std::string& text) override {
        grids.SetCell(day, column, row, text);
    }
    std::string SpinText() const override { return grids.SpinText(); }
    void SetSpinText(const std::string& text) override { grids.SetSpinText(text); }
    void SetColumnWidth(int day, int column, int width) override {
        widths.at(static_cast<std::size_t>(day)).at(static_cast<std::size_t>(column)) = width;
    }
    void SetDateText(const std::string& text) override { date = text; }
    void SetManualCaption(const std::string& text) override { manualCaption = text; }
    void SetLinkColour(Link link, LinkColour colour) override {
        (link == Link::Site ? siteColour : manualColour) = colour;
    }
    void StartTimer(std::uint32_t milliseconds) override {
        timerInterval = milliseconds;
        if (onStartTimer) {
            onStartTimer();
        }
    }
    void StopTimer() override { timerInterval = 0; }
    void ShowErrorBox(const std::string& text) override {
        if (opening || (form != nullptr && form->InHandler())) {
            ++nestedBoxes;
        }
        boxes.push_back(text);
        opening = true;
        if (whileBoxOpens) {
            whileBoxOpens(); // a modal box's own event loop
        }
        opening = false;
    }

    bool AskQuestion(const std::string& text) override {
        questions.push_back(text);
        if (whileBoxOpens) {
            whileBoxOpens();
        }
        return answer;
    }

    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void HistoryChanged(std::size_t added, std::size_t dropped) override {
        historyChanges.emplace_back(added, dropped);
    }

    // The user closes the oldest open box.
    void DismissBox() {
        const std::string text = boxes.front();
        boxes.erase(boxes.begin());
        form->ErrorBoxClosed(text);
    }

    MemoryScheduleView grids;
    std::array<std::array<int, kGridColumns>, kDayCount> widths{};
    std::string date;
    std::string manualCaption;
    LinkColour siteColour = LinkColour::Blue;
    LinkColour manualColour = LinkColour::Blue;
    std::uint32_t timerInterval = 0; // 0: stopped
    std::function<void()> onStartTimer;
    std::vector<std::string> boxes;      // open error boxes, oldest first
    std::function<void()> whileBoxOpens; // also while a question is open
    std::vector<std::string> questions;  // every question asked, oldest first
    bool answer = false;                 // the answer to every question
    bool opening = false;
    int nestedBoxes = 0;
    MainForm* form = nullptr;
    std::vector<std::string> statusTexts;
    std::vector<std::pair<std::size_t, std::size_t>> historyChanges; // added, dropped
};

} // namespace orvanel::test
