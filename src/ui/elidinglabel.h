// A one-line label for texts that may be longer than its width: a text that
// does not fit ends in "…", and the whole text is its tool tip. text() is
// always the whole text.
#pragma once

#include <QLabel>

namespace orvanel {

class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget* parent = nullptr);

    // The text as it shows: whole, or cut and ending in "…".
    QString ShownText() const;
    bool Cut() const { return ShownText() != text(); }

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvanel
