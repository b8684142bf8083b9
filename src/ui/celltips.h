// Tool tips of table cells: a cell whose text is wider than its column shows
// its whole text as its tool tip; a cell that has a tool tip of its own (the
// History page's times) shows that one.
#pragma once

#include <QString>

class QAbstractItemView;
class QHelpEvent;
class QModelIndex;

namespace orvanel {

// The tool tip of a cell: its own, or its whole text when the column cuts
// it; empty when the whole text shows.
QString CellTip(const QAbstractItemView& view, const QModelIndex& index);

// Shows the tool tip of the cell under a tool-tip event of the view's
// viewport, or hides any; for the view's viewportEvent.
void ShowCellTip(const QAbstractItemView& view, const QHelpEvent& event);

} // namespace orvanel
