// The controls of the History page: the "Next task:" and "Last run:" lines
// above a read-only list of the latest run records, newest first, in report
// view. The list holds no texts of its own: it asks for each cell as it
// paints it (a virtual list), so a thousand records cost nothing to show.
// Records that were skipped, missed or ended in an error are shaded so that
// they stand out.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

#include "app/mainform.h"
#include "dpi.h"

namespace orvanel::win32ui {

class HistoryPanel {
public:
    // Creates the two lines and the list on `page`, their ids `firstId` to
    // `firstId` + 2 (the list last).
    void Create(HWND page, int firstId, Dpi dpi);

    // Lays the controls out over the whole page.
    void Place(Dpi dpi);
    // The monitor's DPI changed from `old` to `dpi`: the columns keep their
    // width in inches.
    void Rescale(int old, Dpi dpi);

    // The form's records gained `added` at the front and lost `dropped` at
    // the back; the lines and the list show the form's texts again.
    void Changed(const MainForm& form, std::size_t added, std::size_t dropped);

    // The list's notifications (cell texts, shading); none for the rest.
    std::optional<LRESULT> OnNotify(const MainForm& form, NMHDR& header);

    HWND List() const { return list_; }

private:
    HWND page_ = nullptr;
    HWND nextTask_ = nullptr;
    HWND lastRun_ = nullptr;
    HWND list_ = nullptr;
};

} // namespace orvanel::win32ui
