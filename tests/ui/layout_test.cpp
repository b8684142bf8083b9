// The General page reads cleanly: no two of its controls overlap, and none
// is cut off by the page, with the fonts at hand, the date label holding a long date-time text.
// CTest runs it at 96 dpi and again at 120 dpi (a scale of 1.25, which is what Qt makes of a
// desktop set to 120 dpi).
#include <QCheckBox>

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
    ASSERT_GE(controls.size(), 12);
    EXPECT_TRUE(controls.contains(Find("CheckBox1")));
    for (qsizetype i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(page->rect().contains(controls[i]->geometry()))
            << ToStd(controls[i]->objectName()) << " is cut off by the page";
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << ToStd(controls[i]->objectName()) << " overlaps "
                << ToStd(controls[j]->objectName());
        }
    }
}

// "Start Orvanel when I log in" reaches the desktop for the working
// directory; a failure is shown and the box keeps the true state.
TEST_F(UiTest, AutostartBoxWritesTheEntryOrSaysWhyNot) {
    Start();
    auto* box = Find<QCheckBox>("CheckBox1");
    EXPECT_EQ(box->text(), QStringLiteral("&Start Orvanel when I log in")); // Alt+S
    EXPECT_FALSE(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(desktop_.autostartDirectory, std::filesystem::current_path());
    desktop_.autostartFailure = "Cannot delete file orvanel.desktop";
    QTest::mouseClick(box, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(box->isChecked());
    const QList<QMessageBox*> boxes = OpenErrorBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.front()->text(), QStringLiteral("Cannot delete file orvanel.desktop."));
}

} // namespace
} // namespace orvanel::test
