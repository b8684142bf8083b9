// A notice shown in the status line at start-up (which windows Orvanel can
// reach). A status bar hides its panel while it shows a message, and the
// panel tells of runs, missed minutes and the stop key: so the notice gives
// way at the user's first click or key press in the window, and whenever the
// panel gets a new text. It stays on as the panel's tool tip.
#pragma once

#include <QObject>

class QLabel;
class QStatusBar;

namespace orvanel {

class StartNotice : public QObject {
    Q_OBJECT
public:
    // Shows `text` over `panel` in `bar` until it gives way.
    static void Show(QStatusBar* bar, QLabel* panel, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit StartNotice(QStatusBar* bar);
    QStatusBar* bar_;
};

} // namespace orvanel
