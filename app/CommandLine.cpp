#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

QString CommandLine::usage() {
    return QStringLiteral(
        "Usage: tivora [/noAutoUpdate] [OPTION]...\n"
        "Sets up and calibrates the Tivora camera module.\n"
        "\n"
        "  --device usb|sim[:PROFILE]|unix:PATH\n"
        "                       the module to talk to: the real one on USB (the default),\n"
        "                       the virtual one, or a peer on a Unix socket\n"
        "  --simulate           the same as --device sim\n"
        "  --calibrate auto|manual|tuning|check\n"
        "                       run that calibration once the module is connected, print the\n"
        "                       result and end with 0 on success, 1 otherwise; check measures\n"
        "                       the stored calibration at 9 targets touched with the pen and\n"
        "                       ends with 0 when the worst error is within 8 pixels\n"
        "  --report FILE        where the accuracy check writes its figures (JSON; default: a\n"
        "                       file per check in $XDG_STATE_HOME/tivora, else\n"
        "                       ~/.local/state/tivora)\n"
        "  --success-pause SECONDS\n"
        "                       how long the calibration window says that a calibration\n"
        "                       succeeded before the program ends (0 to 60, default 1.5)\n"
        "  --screen NAME|NUMBER the monitor to calibrate, for this run: its name (as in\n"
        "                       xrandr) or its number counted from 1 left to right\n"
        "  --find-screen        find the projector's monitor with the camera, store it,\n"
        "                       print it and end with 0, or 1 when the camera sees none\n"
        "  -q, --quiet          log warnings only (QT_LOGGING_RULES can select more)\n"
        "      --verbose        print the whole log on the terminal, not only warnings\n"
        "  -h, --help           print this help and end\n"
        "  -v, --version        print the version and end\n"
        "\n"
        "/noAutoUpdate, as the very first argument, turns the update check off.\n"
        "Without --device, the environment variable TIVORA_DEVICE chooses the module.\n"
        "The whole log goes to $XDG_STATE_HOME/tivora/tivora.log, else\n"
        "~/.local/state/tivora/tivora.log (2 MiB, the one before in tivora.log.1).\n"
        "See tivora(1).\n");
}

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine line;
    // Only the first argument, exactly, turns the update check off; any other word that is not
    // an option is ignored, as it always was.
    line.autoUpdate = !(arguments.size() > 1 && arguments[1] == QLatin1String("/noAutoUpdate"));

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption simulate(QStringLiteral("simulate"), QString());
    const QCommandLineOption calibrate(QStringLiteral("calibrate"), QString(),
                                       QStringLiteral("KIND"));
    const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption successPause(QStringLiteral("success-pause"), QString(),
                                          QStringLiteral("SECONDS"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")}, QString());
    const QCommandLineOption verbose(QStringLiteral("verbose"), QString());
    const QCommandLineOption screen(QStringLiteral("screen"), QString(), QStringLiteral("SCREEN"));
    const QCommandLineOption findScreen(QStringLiteral("find-screen"), QString());
    parser.addOptions({help, version, device, simulate, calibrate, report, successPause, quiet,
                       verbose, screen, findScreen});

    if (!parser.parse(arguments)) {
        line.action = Action::Fail;
        line.text = parser.errorText();
        return line;
    }
    if (parser.isSet(help)) {
        line.action = Action::Print;
        line.text = usage();
        return line;
    }
    if (parser.isSet(version)) {
        line.action = Action::Print;
        line.text = QStringLiteral("tivora %1\n").arg(QCoreApplication::applicationVersion());
        return line;
    }

    line.quiet = parser.isSet(quiet);
    line.verbose = parser.isSet(verbose);
    // Option names come in the order given, so of --simulate and --device the last one counts.
    const QStringList devices = parser.values(device);
    int nextDevice = 0;
    for (const QString& name : parser.optionNames()) {
        if (name == QLatin1String("simulate"))
            line.device = QStringLiteral("sim");
        else if (name == QLatin1String("device"))
            line.device = devices.value(nextDevice++);
    }

    if (parser.isSet(report)) {
        line.reportPath = parser.value(report);
        if (line.reportPath.isEmpty()) {
            line.action = Action::Fail;
            line.text = QStringLiteral("--report needs a file name");
            return line;
        }
    }

    if (parser.isSet(successPause)) {
        bool ok = false;
        const double seconds = parser.value(successPause).toDouble(&ok);
        if (!ok || !(seconds >= 0.0 && seconds <= 60.0)) {
            line.action = Action::Fail;
            line.text = QStringLiteral("--success-pause needs a number of seconds from 0 to 60");
            return line;
        }
        line.successPauseMs = qRound(seconds * 1000.0);
    }

    if (parser.isSet(screen)) {
        line.screen = parser.value(screen).trimmed();
        if (line.screen.isEmpty()) {
            line.action = Action::Fail;
            line.text = QStringLiteral("--screen needs a monitor's name or number");
            return line;
        }
    }
    line.findScreen = parser.isSet(findScreen);
    if (line.findScreen && parser.isSet(calibrate)) {
        line.action = Action::Fail;
        line.text = QStringLiteral("--find-screen and --calibrate cannot be combined");
        return line;
    }

    if (parser.isSet(calibrate)) {
        line.calibrate = true;
        const QString kind = parser.value(calibrate);
        if (kind == QLatin1String("auto")) {
            line.calibrationKind = CalibrateCommand::Kind::Auto;
        } else if (kind == QLatin1String("manual")) {
            line.calibrationKind = CalibrateCommand::Kind::Manual;
        } else if (kind == QLatin1String("tuning")) {
            line.calibrationKind = CalibrateCommand::Kind::Tuning;
        } else if (kind == QLatin1String("check")) {
            line.calibrationKind = CalibrateCommand::Kind::Check;
        } else {
            line.action = Action::Fail;
            line.text = QStringLiteral("--calibrate needs auto, manual, tuning or check");
        }
    }
    return line;
}

QString CommandLine::screenName(const QString& value, const QVector<ScreenDesc>& leftToRight,
                                QString* error) {
    for (const ScreenDesc& s : leftToRight) {
        if (!s.name.isEmpty() && s.name == value)
            return s.name;
    }
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (isNumber && number >= 1 && number <= leftToRight.size())
        return leftToRight[number - 1].name;

    QStringList names;
    for (const ScreenDesc& s : leftToRight)
        names << s.name;
    if (error)
        *error = QStringLiteral("--screen %1: no such monitor (1 to %2 from the left: %3)")
                     .arg(value)
                     .arg(leftToRight.size())
                     .arg(names.join(QStringLiteral(", ")));
    return QString();
}
