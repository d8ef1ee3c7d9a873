// The alignment view on a real desktop, for tests/desktop/run-desktop-rows: opened over the
// monitor given, it prints "shown on" or "shown off" (whether it landed there) and ends with 0
// when Esc closes it, or with 3 after the seconds given.
#include "align/AlignmentDlg.h"
#include "display/KqUtils.h"
#include "display/WindowPlacement.h"
#include "language/LanguageTable.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("com.corvan.Tivora"));
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MONITOR SECONDS\n", argv[0]);
        return 2;
    }
    ScreenChoice choice;
    choice.name = QString::fromLocal8Bit(argv[1]);
    KqUtils::setCalibrationScreen(choice);
    LanguageTable text;
    text.loadLanguage(LanguageTable::kEnglishIndex + 1);
    AlignmentDlg view(&text);
    view.setOpeningPause(0);
    view.SetAlignmentDisplay(true);
    view.showOnMonitor();
    const bool landed = window_placement::isOnMonitor(&view, KqUtils::calibrationMonitor());
    std::printf("shown %s\n", landed ? "on" : "off");
    std::fflush(stdout);
    QObject::connect(&view, &AlignmentDlg::sigStopAlignmentDisplay, &app,
                     [] { QCoreApplication::exit(0); });
    QTimer::singleShot(std::atoi(argv[2]) * 1000, [] { QCoreApplication::exit(3); });
    return app.exec();
}
