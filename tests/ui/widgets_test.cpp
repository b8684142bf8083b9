// The spin box, the calendar and the code page conversion.
#include <QLineEdit>
#include <QLocale>

#include "fixture.h"
#include "ui/delayspinbox.h"
#include "ui/monthcalendar.h"
#include "ui/qcp1252.h"

namespace orvanel::test {
namespace {

// ---- Code page 1252 ----

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const QString text = FromCp1252(byte);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(ToCp1252(text), byte) << b;
    }
}

TEST(Cp1252, Characters) {
    struct Case {
        QString text;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("abc|;{ENTER}"), "abc|;{ENTER}"},
        {QStringLiteral("caf\u00e9"), "caf\xE9"},
        {QStringLiteral("\u20ac"), "\x80"},
        {QStringLiteral("\u201cq\u201d \u2013 \u2122"), "\x93q\x94 \x96 \x99"},
        {QStringLiteral("\u0178\u00ff"), "\x9F\xFF"},
        // Characters that the code page cannot hold become one "?" each.
        {QStringLiteral("\u0101\u4e2d"), "??"},
        {QString::fromUtf8("\xF0\x9F\x98\x80x"), "?x"}, // a surrogate pair
        {QString(QChar(0xD800)) + u'x', "?x"},          // a lone surrogate
        {QString(), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToCp1252(c.text), c.bytes) << c.text.toStdString();
    }
    EXPECT_EQ(FromCp1252("\x80\x9F\xE9"), QStringLiteral("\u20ac\u0178\u00e9"));
}

// ---- Spin box ----

class SpinBoxTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Start();
        W().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
        Spin()->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    void Type(const QString& text) {
        Spin()->selectAll();
        QTest::keyClick(Spin(), Qt::Key_Delete);
        QTest::keyClicks(Spin(), text);
    }

    void LeaveSpinBox() {
        Find<QPushButton>("BitBtn2")->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
};

TEST_F(SpinBoxTest, NumberOutsideTheRangeIsClampedWhenTheFocusLeaves) {
    struct Case {
        const char* typed;
        const char* afterFocusOut;
    };
    const std::vector<Case> cases = {
        {"3001", "3000"}, {"99999", "3000"}, {"-20", "0"}, {"-0", "-0"}, {"2990", "2990"},
        {"+15", "+15"},   {"", ""},          {"--", "--"}, {"1-", "1-"},
    };
    for (const Case& c : cases) {
        Spin()->setFocus(Qt::TabFocusReason);
        Type(QString::fromLatin1(c.typed));
        EXPECT_EQ(Spin()->text(), QString::fromLatin1(c.typed));
        LeaveSpinBox();
        EXPECT_EQ(Spin()->text(), QString::fromLatin1(c.afterFocusOut)) << c.typed;
    }
}

TEST_F(SpinBoxTest, LettersCannotBeTyped) {
    Type(QStringLiteral("12ab 3x"));
    EXPECT_EQ(Spin()->text(), QStringLiteral("123"));
    Type(QStringLiteral("+-7"));
    EXPECT_EQ(Spin()->text(), QStringLiteral("+-7"));
    const QString separator = QLocale::system().decimalPoint();
    Type(QStringLiteral("1") + separator + QStringLiteral("5"));
    EXPECT_EQ(Spin()->text(), QStringLiteral("1") + separator + QStringLiteral("5"));
    // Text that is no number stays as typed when the focus leaves.
    LeaveSpinBox();
    EXPECT_EQ(Spin()->text(), QStringLiteral("1") + separator + QStringLiteral("5"));
}

TEST_F(SpinBoxTest, ArrowsStepByTenWithinTheRange) {
    struct Case {
        const char* start;
        Qt::Key key;
        const char* result;
    };
    const std::vector<Case> cases = {
        {"0", Qt::Key_Up, "10"},      {"15", Qt::Key_Up, "25"},       {"2995", Qt::Key_Up, "3000"},
        {"3000", Qt::Key_Up, "3000"}, {"5", Qt::Key_Down, "0"},       {"0", Qt::Key_Down, "0"},
        {"abc", Qt::Key_Up, "10"},    {"4000", Qt::Key_Down, "3000"},
    };
    for (const Case& c : cases) {
        Spin()->SetRawText(QString::fromLatin1(c.start));
        QTest::keyClick(Spin(), c.key);
        EXPECT_EQ(Spin()->text(), QString::fromLatin1(c.result))
            << c.start << (c.key == Qt::Key_Up ? " up" : " down");
    }
}

// ---- Calendar ----

TEST_F(UiTest, CalendarShowsTheMonthOfStartUp) {
    desktop_.SetLocalTime(2026, 1, 5, 12, 0); // a Monday; January 1st is a Thursday
    Tdc& w = Start();
    MonthCalendar* calendar = Find<MonthCalendar>("Calendar1");
    EXPECT_EQ(calendar->objectName(), QStringLiteral("Calendar1"));
    const QStringList names = {QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"),
                               QStringLiteral("Wed"), QStringLiteral("Thu"), QStringLiteral("Fri"),
                               QStringLiteral("Sat")};
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(calendar->CellText(column, 0), names[column]);
    }
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(calendar->CellText(column, 1), QString()) << column;
    }
    EXPECT_EQ(calendar->CellText(4, 1), QStringLiteral("1"));
    EXPECT_EQ(calendar->CellText(6, 1), QStringLiteral("3"));
    EXPECT_EQ(calendar->CellText(0, 2), QStringLiteral("4"));
    EXPECT_EQ(calendar->CellText(6, 5), QStringLiteral("31"));
    EXPECT_EQ(calendar->CellText(0, 6), QString());
    EXPECT_EQ(calendar->HighlightedCell(), QPoint(1, 2)); // Monday the 5th

    // Read-only: no focus, no navigation, the not-allowed cursor.
    EXPECT_EQ(calendar->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(calendar->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseClick(calendar, Qt::LeftButton, {}, QPoint(200, 140));
    QTest::keyClick(calendar, Qt::Key_Right);
    QTest::keyClick(calendar, Qt::Key_Down);
    EXPECT_EQ(calendar->HighlightedCell(), QPoint(1, 2));

    // Nothing changes it afterwards.
    desktop_.Advance(30LL * 24 * 3600 * 1000);
    w.Timer1Timer();
    EXPECT_EQ(calendar->Month(), 1);
    EXPECT_EQ(calendar->HighlightedCell(), QPoint(1, 2));
}

TEST_F(UiTest, CalendarMonthsOfEveryShape) {
    struct Case {
        int year;
        int month;
        int day;
        QPoint first; // the cell of the 1st
        QPoint last;  // the cell of the last day
        QPoint today;
    };
    const std::vector<Case> cases = {
        {2026, 2, 28, {0, 1}, {6, 4}, {6, 4}}, // February starts on Sunday, four rows
        {2026, 8, 31, {6, 1}, {1, 6}, {1, 6}}, // August starts on Saturday, six rows
        {2024, 2, 29, {4, 1}, {4, 5}, {4, 5}}, // a leap day
    };
    for (const Case& c : cases) {
        SystemTime date;
        date.year = c.year;
        date.month = c.month;
        date.day = c.day;
        MonthCalendar calendar(date, {QStringLiteral("S"), QStringLiteral("M"), QStringLiteral("T"),
                                      QStringLiteral("W"), QStringLiteral("T"), QStringLiteral("F"),
                                      QStringLiteral("S")});
        SCOPED_TRACE(c.year * 100 + c.month);
        EXPECT_EQ(calendar.CellText(c.first.x(), c.first.y()), QStringLiteral("1"));
        EXPECT_EQ(calendar.CellText(c.last.x(), c.last.y()), QString::number(c.day));
        EXPECT_EQ(calendar.HighlightedCell(), c.today);
        int numbers = 0;
        for (int row = 1; row < 7; ++row) {
            for (int column = 0; column < 7; ++column) {
                numbers += calendar.CellText(column, row).isEmpty() ? 0 : 1;
            }
        }
        EXPECT_EQ(numbers, c.day);
    }
}

TEST_F(UiTest, CalendarUsesTheLocaleWeekdayNames) {
    LocaleInfo locale;
    locale.abbreviatedDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    locale.shortDateFormat = "dd.MM.yyyy";
    locale.longTimeFormat = "HH:mm:ss";
    desktop_.SetLocaleInfo(locale);
    Tdc& w = Start();
    EXPECT_EQ(Find<MonthCalendar>("Calendar1")->CellText(0, 0), QStringLiteral("So"));
    EXPECT_EQ(Find<MonthCalendar>("Calendar1")->CellText(6, 0), QStringLiteral("Sa"));
    w.Timer1Timer();
    EXPECT_EQ(Label("Label2")->text(), QStringLiteral("05.01.2026 07:00:30"));
}

} // namespace
} // namespace orvanel::test
