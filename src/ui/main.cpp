// Start-up: the C library's locale, the X desktop, the application titled
// "Orvanel", and its one window `dc`. Closing the window ends the program with
// exit code 0.
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "desktop/x11/x11desktop.h"
#include "ui/artwork.h"
#include "ui/tdc.h"

int main(int argc, char** argv) {
    // The date and time formats of the user's locale are read from here.
    std::setlocale(LC_ALL, "");

    // The desktop whose windows the tasks drive; without it there is nothing
    // to type into, so the program does not start.
    std::string error;
    std::unique_ptr<orvanel::X11Desktop> desktop = orvanel::X11Desktop::Open(nullptr, error);
    if (!desktop) {
        std::fprintf(stderr, "orvanel: %s\n", error.c_str());
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanel"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(orvanel::kApplicationTitle));
    QApplication::setWindowIcon(orvanel::StopwatchIcon());

    orvanel::Tdc dc(*desktop);
    dc.show();
    QApplication::exec();
    return 0;
}
