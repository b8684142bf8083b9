// The controls of the History page: the "Next task:" and "Last run:" lines
// and the filter (all runs, or only the problems) above a read-only list of
// the latest run records, newest first, in report view, and under it the
// whole detail of the selected record. The list holds no texts of its own: it
// asks for each cell as it paints it (a virtual list), so a thousand records
// cost nothing to show. Records that were skipped, missed or ended in an
// error are shaded so that they stand out. Each column is as wide as its
// content (the EXE name and the Window Title up to a limit), and the Detail
// column takes the rest. Lines and cells that are cut show whole as their
// tool tips; a time shows its full ISO value.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "app/mainform.h"
#include "cuttext.h"
#include "dpi.h"

namespace orvanel::win32ui {

class HistoryPanel {
public:
    // The ids of the controls, from `firstId` on.
    enum Offset : int { kNextTask = 0, kLastRun = 1, kList = 2, kFilter = 3, kDetail = 4 };

    // Creates the controls on `page`, their ids `firstId` + Offset.
    void Create(HWND page, int firstId, const MainForm& form);

    // Lays the controls out over the whole page.
    void Place(Dpi dpi);

    // The form's rows gained `added` at the front and lost `dropped` at the
    // back (both 0: their texts may have changed); the lines and the list
    // show the form's texts again.
    void Changed(std::size_t added, std::size_t dropped);

    // The list's notifications (cell texts, shading, selection); none for
    // the rest.
    std::optional<LRESULT> OnNotify(NMHDR& header);

    HWND List() const { return list_; }
    HWND Filter() const { return filter_; }

private:
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR data);
    // Each column as wide as its content, the Detail column the rest.
    void FitColumns();
    void ShowTipAt(POINT point);
    void ShowSelectedDetail();
    // A line's text, cut with "…" when it is longer than the line.
    void SetLine(HWND line, TipWindow& tip, const std::string& utf8);

    const MainForm* form_ = nullptr;
    Dpi dpi_;
    HWND page_ = nullptr;
    HWND nextTask_ = nullptr;
    HWND lastRun_ = nullptr;
    HWND list_ = nullptr;
    HWND filter_ = nullptr;
    HWND detail_ = nullptr;
    TipWindow nextTaskTip_;
    TipWindow lastRunTip_;
    TipWindow detailTip_;
    TipWindow cellTip_;
};

} // namespace orvanel::win32ui
