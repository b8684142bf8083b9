#include "historypanel.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>

#include "app/windowgeometry.h"
#include "app/windowtexts.h"
#include "controls.h"
#include "wintext.h"

namespace orvanel::win32ui {

namespace {

// The columns' widths in pixels at 96 dpi: a due time, a start time with
// seconds, "Wed", "24", "skipped", then the texts.
constexpr std::array<int, kHistoryColumns.size()> kColumnWidths = {144, 164, 40,  36,
                                                                   64,  128, 128, 260};
constexpr DWORD kLineStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS;

// The shade of a record that did not run as planned.
std::optional<COLORREF> Shade(history::Outcome outcome) {
    switch (outcome) {
    case history::Outcome::Skipped:
        return RGB(255, 240, 170);
    case history::Outcome::Missed:
        return RGB(255, 210, 150);
    case history::Outcome::Error:
        return RGB(255, 180, 180);
    default:
        return std::nullopt;
    }
}

const history::HistoryLine* EntryAt(const MainForm& form, std::size_t index) {
    const auto& records = form.HistoryRecords();
    return index < records.size() ? &records[index] : nullptr;
}

void Move(HWND control, int left, int top, int width, int height) {
    ::MoveWindow(control, left, top, std::max(width, 1), std::max(height, 1), TRUE);
}

} // namespace

void HistoryPanel::Create(HWND page, int firstId, Dpi dpi) {
    page_ = page;
    nextTask_ = CreateChild(page, L"STATIC", L"", kLineStyle, firstId);
    lastRun_ = CreateChild(page, L"STATIC", L"", kLineStyle, firstId + 1);
    list_ = CreateChild(page, WC_LISTVIEWW, L"",
                        WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                            LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                        firstId + 2, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP |
                                                 LVS_EX_DOUBLEBUFFER | LVS_EX_GRIDLINES);
    for (std::size_t i = 0; i < kHistoryColumns.size(); ++i) {
        std::wstring caption = Widen(kHistoryColumns[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = caption.data();
        column.cx = dpi(kColumnWidths[i]);
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

void HistoryPanel::Place(Dpi dpi) {
    RECT page;
    ::GetClientRect(page_, &page);
    const WindowGeometry& g = kWindowGeometry;
    const int lineStep = g.historyLineHeight + g.historyLineGap;
    const int width = page.right - 2 * dpi(g.historyMargin);
    Move(nextTask_, dpi(g.historyMargin), dpi(g.historyTop), width, dpi(g.historyLineHeight));
    Move(lastRun_, dpi(g.historyMargin), dpi(g.historyTop + lineStep), width,
         dpi(g.historyLineHeight));
    const int top = dpi(g.historyTop + 2 * lineStep + g.historyLineGap);
    Move(list_, dpi(g.historyMargin), top, width, page.bottom - top - dpi(g.historyTop));
}

void HistoryPanel::Rescale(int old, Dpi dpi) {
    for (int column = 0; column < static_cast<int>(kHistoryColumns.size()); ++column) {
        const int width = ListView_GetColumnWidth(list_, column);
        ListView_SetColumnWidth(list_, column, MulDiv(width, dpi.dpi, old));
    }
}

void HistoryPanel::Changed(const MainForm& form, std::size_t added, std::size_t dropped) {
    ::SetWindowTextW(nextTask_, FromUtf8(form.NextTaskText()).c_str());
    ::SetWindowTextW(lastRun_, FromUtf8(form.LastRunText()).c_str());
    if (added == 0 && dropped == 0) {
        return;
    }
    // The selected record stays selected as new ones come in above it.
    const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    const auto count = static_cast<int>(form.HistoryRecords().size());
    ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL);
    if (selected >= 0) {
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        const int now = selected + static_cast<int>(added);
        if (now < count) {
            ListView_SetItemState(list_, now, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    ::InvalidateRect(list_, nullptr, FALSE);
}

std::optional<LRESULT> HistoryPanel::OnNotify(const MainForm& form, NMHDR& header) {
    if (header.hwndFrom != list_) {
        return std::nullopt;
    }
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(&header)->item;
        const auto* entry = EntryAt(form, static_cast<std::size_t>(item.iItem));
        if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
            const std::wstring text = entry == nullptr
                                          ? std::wstring()
                                          : FromUtf8(history::HistoryField(
                                                *entry, static_cast<std::size_t>(item.iSubItem)));
            ::lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        }
        return 0;
    }
    if (header.code == NM_CUSTOMDRAW) {
        auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(&header);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            const auto* entry = EntryAt(form, static_cast<std::size_t>(draw.nmcd.dwItemSpec));
            if (const auto shade = entry != nullptr ? Shade(entry->outcome) : std::nullopt) {
                draw.clrTextBk = *shade;
                draw.clrText = RGB(0, 0, 0);
                return CDRF_NEWFONT;
            }
        }
        return CDRF_DODEFAULT;
    }
    return std::nullopt;
}

} // namespace orvanel::win32ui
