// The fixed texts and numbers of the main window, the same in every view
// (its geometry: windowgeometry.h).
#pragma once

#include <array>
#include <cstdint>

#include "schedule/store.h"

namespace orvanel {

// The application title: the caption of the window and of the error box.
inline constexpr const char* kApplicationTitle = "Orvanel";
// The vendor's web site, as the link shows it and the address it opens.
inline constexpr const char* kVendorSiteName = "www.orvanel.example";
inline constexpr const char* kVendorAddress = "http://www.orvanel.example/";
// The manual, opened from the working directory, and its link's caption.
inline constexpr const char* kManualFileName = "schedule.html";
inline constexpr const char* kManualCaption = "Documentation";
inline constexpr const char* kStatusText =
    "Click the GENERAL Tab and choose SAVE to save your data!!!";
inline constexpr const char* kVersionText = "Ver. 1.0";
inline constexpr const char* kDateCaption = "Current Date:";
inline constexpr const char* kDelayCaption = "Script Delay (mSec)";
inline constexpr const char* kSaveCaption = "Save Data";
inline constexpr const char* kTestCaption = "Test";
// The General page's check box, `CheckBox1` (its place: windowgeometry.h). In
// a caption, "&" marks the letter that Alt goes with to reach the control
// (Alt+S here).
inline constexpr const char* kAutostartName = "CheckBox1";
inline constexpr const char* kAutostartCaption = "&Start Orvanel when I log in";
inline constexpr std::uint32_t kTimerInterval = 60000;

// The pages of the tab control in their order, and the day grids' names.
inline constexpr int kPageCount = 8;
inline constexpr std::array<const char*, kPageCount> kPageNames = {
    "TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4",
    "TabSheet5", "Tabsheet6", "tabsheet7", "TabSheet8"};
inline constexpr std::array<const char*, kPageCount> kPageCaptions = {
    "General", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
inline constexpr std::array<const char*, kDayCount> kGridNames = {
    "mongrid", "tuegrid", "wedgrid", "thugrid", "frigrid", "satgrid", "sungrid"};

// The History page, the ninth, after Sunday, and its table's columns.
inline constexpr const char* kHistoryPageName = "TabSheet9";
inline constexpr const char* kHistoryCaption = "History";
inline constexpr std::array<const char*, 8> kHistoryColumns = {
    "Due", "Started", "Day", "Row", "Outcome", "EXE name", "Window Title", "Detail"};
// Its filter: all runs, or only the problems (skipped, missed, error).
inline constexpr const char* kHistoryFilterName = "ProblemsOnly";
inline constexpr const char* kHistoryFilterCaption = "&Problems only";
// The day grid rows' context menu command, and its key.
inline constexpr const char* kRunNowCaption = "Run now";
inline constexpr const char* kRunNowKey = "Ctrl+R";

// The header row and column widths (pixels at 96 dpi) of the day grids.
inline constexpr std::array<const char*, kGridColumns> kColumnCaptions = {
    "EXE name", "Window Title", "Hour", "Min.", "Script"};
inline constexpr std::array<int, kGridColumns> kColumnWidths = {128, 128, 60, 60, 156};

} // namespace orvanel
