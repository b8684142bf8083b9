// The General page reads cleanly: no two of its controls overlap with the
// fonts at hand, the date label holding a long date-time text. CTest runs it
// at 96 dpi and again at 120 dpi (a scale of 1.25, which is what Qt makes of
// a desktop set to 120 dpi).
#include "fixture.h"

namespace orvanel::test {
namespace {

TEST_F(UiTest, GeneralPageControlsDoNotOverlap) {
    desktop_.SetLocalTime(2026, 12, 28, 22, 59, 58);
    Tdc& w = Start();
    w.Timer1Timer();
    QWidget* page = Find("TabSheet1");
    QList<QWidget*> controls;
    for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(page)) {
            controls.append(child);
        }
    }
    ASSERT_GE(controls.size(), 11);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << ToStd(controls[i]->objectName()) << " overlaps "
                << ToStd(controls[j]->objectName());
        }
    }
}

} // namespace
} // namespace orvanel::test
