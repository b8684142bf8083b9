// Start-up: the C library's locale, the desktop (Wayland or X11), the application titled
// "Orvanel", and its one window `dc`. Closing the window ends the program with
// exit code 0.
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "desktop/choice/opendesktop.h"
#include "ui/artwork.h"
#include "ui/tdc.h"

int main(int argc, char** argv) {
    // The date and time formats of the user's locale are read from here.
    std::setlocale(LC_ALL, "");

    // The desktop whose windows the tasks drive; without it there is nothing
    // to type into, so the program does not start.
    orvanel::OpenedDesktop opened = orvanel::OpenDesktop();
    if (!opened.desktop) {
        std::fprintf(stderr, "orvanel: %s\n", opened.error.c_str());
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(orvanel::kApplicationTitle));
    QApplication::setApplicationDisplayName(QString::fromLatin1(orvanel::kApplicationTitle));
    QApplication::setWindowIcon(orvanel::StopwatchIcon());

    orvanel::Tdc dc(*opened.desktop);
    if (!opened.notice.empty()) {
        // Which windows can be reached: said in the status line until the
        // user has seen it.
        dc.ShowNotice(opened.notice);
    }
    dc.show();
    QApplication::exec();
    return 0;
}
