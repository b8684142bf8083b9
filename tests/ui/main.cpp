// The GUI tests need one QApplication for the whole run, on the offscreen
// platform unless one is given.
#include <QApplication>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace {

// The offscreen platform warns about window hints that it cannot pass on;
// everything else goes through.
QtMessageHandler defaultHandler = nullptr;

void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QStringLiteral("does not support propagateSizeHints"))) {
        return;
    }
    defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    defaultHandler = qInstallMessageHandler(FilterMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The recording desktop's clock works in the local time of the process.
    setenv("TZ", "UTC", 1);
    tzset();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Orvanel"));
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
