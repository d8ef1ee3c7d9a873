#pragma once

#include "app/CalibrateCommand.h"
#include "display/KqUtils.h"

#include <QString>
#include <QStringList>

// What the command line asks for. Read before the application object exists, so that --help,
// --version and a mistake are answered without a display.
struct CommandLine {
    enum class Action { Run, Print, Fail };

    Action action = Action::Run;
    QString text; // for Print, what to print; for Fail, the one-line reason
    bool autoUpdate = true;
    QString device; // "--device VALUE", or "sim" for --simulate; the last one counts
    bool calibrate = false;
    CalibrateCommand::Kind calibrationKind = CalibrateCommand::Kind::Auto;
    QString reportPath;      // "--report FILE": where the accuracy check writes; empty: the default
    int successPauseMs = -1; // "--success-pause SECONDS" in ms; -1: the program's own pause
    bool quiet = false;      // debug lines off; QT_LOGGING_RULES still decides over it
    bool verbose = false;    // every log line on the terminal too, not only in the log file
    QString screen;          // "--screen NAME|NUMBER", for this run; empty: the settings decide
    bool findScreen = false; // "--find-screen"

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
    // The monitor name that a --screen value stands for among the monitors ordered left to
    // right: a monitor's name, else its number counted from 1; empty with a one-line reason
    // in *error when there is no such monitor.
    static QString screenName(const QString& value, const QVector<ScreenDesc>& leftToRight,
                              QString* error);
};
