// Accuracy and speed of automatic calibration on a seeded corpus of synthetic scenes.
//
// Without --window the program runs itself once per window size, because the disc acceptance
// limits are fixed by the first window size a process sees; each child prints one JSON line
// per scene and the parent prints the table and a JSON summary.

#include "BenchScene.h"
#include "OfflineCalibration.h"
#include "Reference.h"
#include "SceneRun.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <vector>

namespace {

const char* const kDefaultSizes = "1024x768,1280x800,1366x768,1920x1080,1920x1200,2560x1440";

void discard(QtMsgType, const QMessageLogContext&, const QString&) {}

bool parseSize(const QString& text, int& w, int& h) {
    const QRegularExpressionMatch m = QRegularExpression("^(\\d+)x(\\d+)$").match(text);
    if (!m.hasMatch())
        return false;
    w = m.captured(1).toInt();
    h = m.captured(2).toInt();
    return w >= 640 && h >= 480 && w <= 8192 && h <= 8192;
}

void dump(const QString& dir, const BenchScene& scene, int index, const SceneCaptures& c) {
    const QString stem = QStringLiteral("%1/%2x%3-%4-")
                             .arg(dir)
                             .arg(scene.windowWidth)
                             .arg(scene.windowHeight)
                             .arg(index);
    cv::imwrite((stem + "black.png").toStdString(), c.black);
    cv::imwrite((stem + "white.png").toStdString(), c.white);
    cv::imwrite((stem + "pattern.png").toStdString(), c.pattern);
}

int runChild(int w, int h, int scenes, uint32_t seed, const QString& dumpDir) {
    qInstallMessageHandler(discard);
    for (int i = 0; i < scenes; ++i) {
        const BenchScene scene = makeBenchScene(w, h, i, seed);
        const SceneCaptures captures = renderScene(scene);
        if (!dumpDir.isEmpty())
            dump(dumpDir, scene, i, captures);
        QJsonObject o = runScene(scene, captures).toJson();
        o["scene"] = scene.describe();
        std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
    }
    return 0;
}

struct Totals {
    int scenes = 0;
    int succeeded = 0;
    double centreSq = 0.0, centreMax = 0.0, markerSq = 0.0;
    int centreN = 0, markerN = 0;
    double mapSq = 0.0, mapMax = 0.0, drawnMapSq = 0.0, drawnMapMax = 0.0;
    int mapN = 0;
    std::vector<double> ms;
    std::vector<double> cpu;

    void add(const SceneOutcome& s) {
        ++scenes;
        succeeded += s.success ? 1 : 0;
        centreSq += s.centreSq;
        centreMax = std::max(centreMax, s.centreMax);
        centreN += s.centreCount;
        markerSq += s.markerSq;
        markerN += s.markerCount;
        mapSq += s.mapSq;
        mapMax = std::max(mapMax, s.mapMax);
        mapN += s.mapCount;
        drawnMapSq += s.drawnMapSq;
        drawnMapMax = std::max(drawnMapMax, s.drawnMapMax);
        ms.push_back(s.fitMs);
        cpu.push_back(s.cpuMs);
    }
    static double rms(double sq, int n) { return n > 0 ? std::sqrt(sq / n) : 0.0; }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    }
    double median() const { return median(ms); }
    double cpuMedian() const { return median(cpu); }
    double worst() const { return ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()); }
};

void printRow(const QString& name, const Totals& t) {
    std::printf("%-12s %4d/%-4d %7.3f %7.3f %7.3f %7.3f %7.3f %7.3f %7.3f %7.0f %7.0f %7.0f\n",
                qPrintable(name), t.succeeded, t.scenes, Totals::rms(t.centreSq, t.centreN),
                t.centreMax, Totals::rms(t.markerSq, t.markerN), Totals::rms(t.mapSq, t.mapN),
                t.mapMax, Totals::rms(t.drawnMapSq, t.mapN), t.drawnMapMax, t.median(), t.worst(),
                t.cpuMedian());
}

struct ReferenceFiles {
    QString record;  // write the run's centres here
    QString compare; // check the run's centres against this file
};

// 0 when the centres match the reference (or there is none to compare with), 3 otherwise.
int checkReference(const ReferenceRun& run, const ReferenceFiles& files) {
    if (!files.record.isEmpty() && !run.write(files.record)) {
        std::fprintf(stderr, "calib-bench: cannot write %s\n", qPrintable(files.record));
        return 3;
    }
    if (files.compare.isEmpty())
        return 0;
    QString difference;
    if (!run.matches(files.compare, difference)) {
        std::fprintf(stderr, "calib-bench: centres differ from the reference at %s\n",
                     qPrintable(difference));
        return 3;
    }
    std::fprintf(stderr, "calib-bench: centres identical to %s\n", qPrintable(files.compare));
    return 0;
}

int runParent(const QStringList& sizes, int scenes, uint32_t seed, const ReferenceFiles& files) {
    std::printf("%-12s %9s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n", "window", "ok", "c.rms",
                "c.max", "mk.rms", "map.rms", "map.max", "dmap.rms", "dmap.max", "ms.med", "ms.max",
                "cpu.med");
    Totals all;
    QJsonArray perSize;
    ReferenceRun reference;
    reference.header = QStringLiteral("seed %1, %2 scenes per window size").arg(seed).arg(scenes);
    for (const QString& size : sizes) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--window", size, "--scenes", QString::number(scenes), "--seed",
                     QString::number(seed)});
        child.waitForFinished(-1);
        Totals t;
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        for (const QByteArray& line : lines) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.isEmpty())
                continue;
            const SceneOutcome s = SceneOutcome::fromJson(o);
            t.add(s);
            all.add(s);
            reference.scenes << o["scene"].toString() + ": " + s.centres;
            if (!s.success)
                std::fprintf(stderr, "failed: %s (%d centres)\n", qPrintable(o["scene"].toString()),
                             s.found);
        }
        if (child.exitCode() != 0 || t.scenes != scenes)
            std::fprintf(stderr, "%s: the child ran %d of %d scenes\n", qPrintable(size), t.scenes,
                         scenes);
        printRow(size, t);
        perSize.append(QJsonObject{{"window", size},
                                   {"scenes", t.scenes},
                                   {"succeeded", t.succeeded},
                                   {"centre_rms", Totals::rms(t.centreSq, t.centreN)},
                                   {"map_rms", Totals::rms(t.mapSq, t.mapN)},
                                   {"map_max", t.mapMax},
                                   {"ms_median", t.median()}});
    }
    printRow("all", all);
    const QJsonObject summary{
        {"scenes", all.scenes},
        {"success_rate", all.scenes ? double(all.succeeded) / all.scenes : 0.0},
        {"centre_rms_px", Totals::rms(all.centreSq, all.centreN)},
        {"centre_max_px", all.centreMax},
        {"marker_centre_rms_px", Totals::rms(all.markerSq, all.markerN)},
        {"map_rms_px", Totals::rms(all.mapSq, all.mapN)},
        {"map_max_px", all.mapMax},
        {"ms_median", all.median()},
        {"ms_max", all.worst()},
        {"seed", static_cast<qint64>(seed)},
        {"per_window", perSize}};
    std::printf("%s\n", QJsonDocument(summary).toJson(QJsonDocument::Compact).constData());
    const int referenceCode = checkReference(reference, files);
    if (referenceCode != 0)
        return referenceCode;
    return all.succeeded == all.scenes ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    keepPictureBuffers();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Accuracy and speed of automatic calibration on synthetic scenes.");
    parser.addHelpOption();
    parser.addOption({"window", "Run only this window size, in this process.", "WxH"});
    parser.addOption({"sizes", "Window sizes of the corpus.", "WxH,...", kDefaultSizes});
    parser.addOption({"scenes", "Scenes per window size.", "N", "6"});
    parser.addOption({"seed", "Seed of the corpus.", "S", "1"});
    parser.addOption({"dump", "With --window: also write each scene's captures into DIR.", "DIR"});
    parser.addOption({"record", "Write every scene's untweaked centres into FILE.", "FILE"});
    parser.addOption({"reference", "Fail unless every scene's centres are those in FILE.", "FILE"});
    parser.process(app);

    bool ok = false;
    const int scenes = parser.value("scenes").toInt(&ok);
    const uint32_t seed = parser.value("seed").toUInt();
    if (!ok || scenes < 1) {
        std::fprintf(stderr, "calib-bench: bad --scenes\n");
        return 2;
    }
    int w = 0;
    int h = 0;
    if (parser.isSet("window")) {
        if (!parseSize(parser.value("window"), w, h)) {
            std::fprintf(stderr, "calib-bench: bad --window %s\n",
                         qPrintable(parser.value("window")));
            return 2;
        }
        return runChild(w, h, scenes, seed, parser.value("dump"));
    }
    const QStringList sizes = parser.value("sizes").split(',', Qt::SkipEmptyParts);
    for (const QString& s : sizes) {
        if (!parseSize(s, w, h)) {
            std::fprintf(stderr, "calib-bench: bad window size %s\n", qPrintable(s));
            return 2;
        }
    }
    return runParent(sizes, scenes, seed, {parser.value("record"), parser.value("reference")});
}
