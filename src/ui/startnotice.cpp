#include "ui/startnotice.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QStatusBar>
#include <QWidget>

namespace orvanel {

StartNotice::StartNotice(QStatusBar* bar) : QObject(bar), bar_(bar) {}

void StartNotice::Show(QStatusBar* bar, QLabel* panel, const QString& text) {
    panel->setToolTip(text);
    bar->showMessage(text);
    auto* notice = new StartNotice(bar);
    QApplication::instance()->installEventFilter(notice);
    // Once the message has gone, however it went, so has the notice.
    connect(bar, &QStatusBar::messageChanged, notice, [notice](const QString& message) {
        if (message.isEmpty()) {
            notice->deleteLater();
        }
    });
}

bool StartNotice::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == bar_->window()) {
            bar_->clearMessage();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvanel
