#include "historypanel.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "app/historytable.h"
#include "app/windowgeometry.h"
#include "app/windowtexts.h"
#include "controls.h"
#include "wintext.h"

namespace orvanel::win32ui {

namespace {

// The room a list cell leaves beside its text.
constexpr int kCellPadding = 14;
constexpr UINT_PTR kListSubclass = 9;
// A line cuts its text itself; SS_NOTIFY lets its tool tip see the pointer.
constexpr DWORD kLineStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY;

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

void Move(HWND control, int left, int top, int width, int height) {
    ::MoveWindow(control, left, top, std::max(width, 1), std::max(height, 1), TRUE);
}

} // namespace

void HistoryPanel::Create(HWND page, int firstId, const MainForm& form) {
    form_ = &form;
    page_ = page;
    nextTask_ = CreateChild(page, L"STATIC", L"", kLineStyle, firstId + kNextTask);
    filter_ = CreateChild(page, L"BUTTON", Widen(kHistoryFilterCaption),
                          WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, firstId + kFilter);
    lastRun_ = CreateChild(page, L"STATIC", L"", kLineStyle, firstId + kLastRun);
    list_ = CreateChild(page, WC_LISTVIEWW, L"",
                        WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                            LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                        firstId + kList, WS_EX_CLIENTEDGE);
    detail_ = CreateChild(page, L"STATIC", L"", kLineStyle, firstId + kDetail);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER |
                                                 LVS_EX_GRIDLINES);
    for (std::size_t i = 0; i < kHistoryColumns.size(); ++i) {
        std::wstring caption = Widen(kHistoryColumns[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = caption.data();
        column.cx = 60;
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    for (auto [line, tip] : {std::pair{nextTask_, &nextTaskTip_}, std::pair{lastRun_, &lastRunTip_},
                             std::pair{detail_, &detailTip_}}) {
        tip->Create(line);
    }
    cellTip_.Create(list_);
    ::SetWindowSubclass(list_, &HistoryPanel::ListProc, kListSubclass,
                        reinterpret_cast<DWORD_PTR>(this));
}

void HistoryPanel::Place(Dpi dpi) {
    dpi_ = dpi;
    RECT page;
    ::GetClientRect(page_, &page);
    const WindowGeometry& g = kWindowGeometry;
    const int lineStep = g.historyLineHeight + g.historyLineGap;
    const int left = dpi(g.historyMargin);
    const int width = page.right - 2 * left;
    const int filterWidth = TextWidth(filter_, Widen(kHistoryFilterCaption)) + dpi(24);
    Move(nextTask_, left, dpi(g.historyTop), width - filterWidth - left, dpi(g.historyLineHeight));
    Move(filter_, left + width - filterWidth, dpi(g.historyTop - 1), filterWidth,
         dpi(g.historyLineHeight + 2));
    Move(lastRun_, left, dpi(g.historyTop + lineStep), width, dpi(g.historyLineHeight));
    const int top = dpi(g.historyTop + 2 * lineStep + g.historyLineGap);
    const int bottom = page.bottom - dpi(g.historyBottom + g.historyLineHeight);
    Move(detail_, left, bottom, width, dpi(g.historyLineHeight));
    Move(list_, left, top, width, bottom - dpi(g.historyLineGap) - top);
    Changed(0, 0);
}

void HistoryPanel::Changed(std::size_t added, std::size_t dropped) {
    if (form_ == nullptr) {
        return;
    }
    SetLine(nextTask_, nextTaskTip_, form_->NextTaskText());
    SetLine(lastRun_, lastRunTip_, form_->LastRunText());
    const auto count = static_cast<int>(form_->History().RowCount());
    if (added != 0 || dropped != 0) {
        // The selected record stays selected as new ones come in above it;
        // when every row is new (the filter changed), none is.
        const int before = ListView_GetItemCount(list_);
        const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
        ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL);
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        const int now = selected + static_cast<int>(added);
        if (selected >= 0 && now < count && static_cast<int>(dropped) < before) {
            ListView_SetItemState(list_, now, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    FitColumns();
    ShowSelectedDetail();
    ::InvalidateRect(list_, nullptr, FALSE);
}

void HistoryPanel::SetLine(HWND line, TipWindow& tip, const std::string& utf8) {
    const std::wstring text = FromUtf8(utf8);
    RECT area;
    ::GetClientRect(line, &area);
    const std::wstring shown = FitText(line, text, area.right);
    ::SetWindowTextW(line, shown.c_str());
    tip.SetWhole(shown != text ? text : std::wstring());
}

void HistoryPanel::FitColumns() {
    const HistoryTable& table = form_->History();
    const TextMeter meter(list_);
    std::array<int, kHistoryColumnCount> content{};
    for (std::size_t column = 0; column < kDetailColumn; ++column) {
        int width = meter.Width(Widen(kHistoryColumns.at(column)));
        for (std::size_t row = 0; row < table.RowCount(); ++row) {
            width = std::max(width, meter.Width(FromUtf8(table.CellText(row, column))));
        }
        content.at(column) = width + dpi_(kCellPadding);
    }
    RECT client;
    ::GetClientRect(list_, &client);
    const auto widths = HistoryColumnWidths(content, client.right, dpi_.dpi);
    for (std::size_t column = 0; column < widths.size(); ++column) {
        ListView_SetColumnWidth(list_, static_cast<int>(column), widths.at(column));
    }
}

void HistoryPanel::ShowSelectedDetail() {
    const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    const HistoryTable& table = form_->History();
    SetLine(detail_, detailTip_,
            selected >= 0 && static_cast<std::size_t>(selected) < table.RowCount()
                ? table.RowDetail(static_cast<std::size_t>(selected))
                : std::string());
}

void HistoryPanel::ShowTipAt(POINT point) {
    LVHITTESTINFO hit{};
    hit.pt = point;
    const HistoryTable& table = form_->History();
    if (ListView_SubItemHitTest(list_, &hit) < 0 || hit.iItem < 0 ||
        static_cast<std::size_t>(hit.iItem) >= table.RowCount()) {
        cellTip_.Set(RECT{}, std::wstring());
        return;
    }
    const auto row = static_cast<std::size_t>(hit.iItem);
    const auto column = static_cast<std::size_t>(hit.iSubItem);
    RECT cell{};
    ListView_GetSubItemRect(list_, hit.iItem, hit.iSubItem, LVIR_BOUNDS, &cell);
    if (hit.iSubItem == 0) {
        cell.right = cell.left + ListView_GetColumnWidth(list_, 0); // the row's bounds otherwise
    }
    std::wstring tip = FromUtf8(table.CellTip(row, column));
    if (tip.empty()) {
        const std::wstring text = FromUtf8(table.CellText(row, column));
        if (TextWidth(list_, text) + dpi_(kCellPadding) > cell.right - cell.left) {
            tip = text;
        }
    }
    cellTip_.Set(cell, tip);
}

LRESULT CALLBACK HistoryPanel::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR /*id*/, DWORD_PTR data) {
    auto* panel = reinterpret_cast<HistoryPanel*>(data);
    if (message == WM_MOUSEMOVE && panel->form_ != nullptr) {
        panel->ShowTipAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(list, &HistoryPanel::ListProc, kListSubclass);
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

std::optional<LRESULT> HistoryPanel::OnNotify(NMHDR& header) {
    if (header.hwndFrom != list_ || form_ == nullptr) {
        return std::nullopt;
    }
    const HistoryTable& table = form_->History();
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(&header)->item;
        const auto row = static_cast<std::size_t>(item.iItem);
        if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
            const std::wstring text =
                row < table.RowCount()
                    ? FromUtf8(table.CellText(row, static_cast<std::size_t>(item.iSubItem)))
                    : std::wstring();
            ::lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        }
        return 0;
    }
    if (header.code == LVN_ITEMCHANGED) {
        ShowSelectedDetail();
        return 0;
    }
    if (header.code == NM_CUSTOMDRAW) {
        auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(&header);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && row < table.RowCount()) {
            if (const auto shade = Shade(table.Row(row).outcome)) {
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
