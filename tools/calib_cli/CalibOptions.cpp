#include "CalibOptions.h"

#include <QCommandLineParser>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <cmath>

namespace {

constexpr int kTweakLines = 20;
constexpr int kMaxWindowSide = 32767; // the window size travels as 16-bit values

bool parseInt(const QString& text, int lo, int hi, int& out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseWindow(const QString& text, OfflineOptions& o) {
    const QRegularExpressionMatch m = QRegularExpression("^(\\d{1,5})x(\\d{1,5})$").match(text);
    return m.hasMatch() && parseInt(m.captured(1), 1, kMaxWindowSide, o.windowWidth) &&
           parseInt(m.captured(2), 1, kMaxWindowSide, o.windowHeight);
}

bool readTweakFile(const QString& path, std::vector<cv::Point2f>& tweaks, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("--tweak %1: cannot be read").arg(path);
        return false;
    }
    QTextStream in(&file);
    tweaks.clear();
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty())
            continue;
        const QStringList parts = line.split(QRegularExpression("\\s+"));
        bool okx = false;
        bool oky = false;
        const float dx = parts.size() == 2 ? parts[0].toFloat(&okx) : 0.f;
        const float dy = parts.size() == 2 ? parts[1].toFloat(&oky) : 0.f;
        if (!okx || !oky || !std::isfinite(dx) || !std::isfinite(dy)) {
            error = QStringLiteral("--tweak %1: line %2 is not \"dx dy\"").arg(path).arg(lineNo);
            return false;
        }
        tweaks.emplace_back(dx, dy);
    }
    if (tweaks.size() != static_cast<size_t>(kTweakLines)) {
        error = QStringLiteral("--tweak %1: %2 offset lines, expected %3")
                    .arg(path)
                    .arg(tweaks.size())
                    .arg(kTweakLines);
        return false;
    }
    return true;
}

} // namespace

QString calibUsage() {
    return QStringLiteral(
        "usage: tivora-calib --black FILE --white FILE --pattern FILE --window WxH\n"
        "                    [--lens 1..4] [--fw-lower N] [--pen 0|1] [--ceiling 0|1] [--rear "
        "0|1]\n"
        "                    [--entry auto|semi] [--tweak predefined|zero|FILE] [--json]\n"
        "                    [--overlay OUT.png]\n");
}

bool parseCalibCommand(const QStringList& arguments, CalibCommand& cmd, QString& error) {
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "help");
    const QCommandLineOption black("black", "", "FILE"), white("white", "", "FILE"),
        pattern("pattern", "", "FILE"), window("window", "", "WxH"), lens("lens", "", "N", "1"),
        fwLower("fw-lower", "", "N", "0"), pen("pen", "", "N", "0"),
        ceiling("ceiling", "", "N", "0"), rear("rear", "", "N", "0"),
        entry("entry", "", "KIND", "auto"), tweak("tweak", "", "TABLE", "predefined"),
        json("json", ""), overlay("overlay", "", "FILE");
    p.addOptions({help, black, white, pattern, window, lens, fwLower, pen, ceiling, rear, entry,
                  tweak, json, overlay});
    if (!p.parse(arguments)) {
        error = p.errorText();
        return false;
    }
    if (p.isSet(help)) {
        cmd.help = true;
        return true;
    }
    if (!p.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: %1").arg(p.positionalArguments().first());
        return false;
    }
    for (const QCommandLineOption* required : {&black, &white, &pattern, &window}) {
        if (!p.isSet(*required)) {
            error = QStringLiteral("missing option --%1").arg(required->names().first());
            return false;
        }
    }
    cmd.black = p.value(black);
    cmd.white = p.value(white);
    cmd.pattern = p.value(pattern);
    cmd.overlay = p.value(overlay);
    cmd.json = p.isSet(json);

    OfflineOptions& o = cmd.options;
    if (!parseWindow(p.value(window), o)) {
        error = QStringLiteral("--window %1: expected WxH with sides 1 to %2")
                    .arg(p.value(window))
                    .arg(kMaxWindowSide);
        return false;
    }
    struct IntOption {
        const QCommandLineOption& option;
        int lo, hi;
        int& out;
    };
    const IntOption ints[] = {{lens, 1, 4, o.lens},
                              {fwLower, 0, 9999, o.fwLower},
                              {pen, 0, 1, o.pen},
                              {ceiling, 0, 1, o.ceiling},
                              {rear, 0, 1, o.rear}};
    for (const IntOption& i : ints) {
        if (!parseInt(p.value(i.option), i.lo, i.hi, i.out)) {
            error = QStringLiteral("--%1 %2: expected %3 to %4")
                        .arg(i.option.names().first(), p.value(i.option))
                        .arg(i.lo)
                        .arg(i.hi);
            return false;
        }
    }
    const QString entryKind = p.value(entry);
    if (entryKind != "auto" && entryKind != "semi") {
        error = QStringLiteral("--entry %1: expected auto or semi").arg(entryKind);
        return false;
    }
    o.semi = entryKind == "semi";

    const QString table = p.value(tweak);
    o.tweaks.clear();
    if (table == "zero")
        o.tweaks.assign(kTweakLines, cv::Point2f(0.f, 0.f));
    else if (table != "predefined" && !readTweakFile(table, o.tweaks, error))
        return false;
    return true;
}
