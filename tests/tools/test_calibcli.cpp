#include "sim/camera/GroundTruth.h"
#include "sim/camera/Screens.h"
#include "sim/camera/SyntheticCamera.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// tivora-calib run as a user runs it, on small rendered captures: exit codes, the JSON
// result, tweak tables, the overlay and the one-line errors for bad input.
class TestCalibCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void calibratesWithJson();
    void tweakFileIsAdded();
    void failedCalibrationExitsWithOne();
    void badInput_data();
    void badInput();

private:
    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Run run(const QString& program, const QStringList& args) const;
    Run calib(const QStringList& extra) const;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

namespace {

constexpr int kW = 1280;
constexpr int kH = 800;

void save(const cv::Mat& m, const QString& file) {
    QImage img(m.data, m.cols, m.rows, static_cast<int>(m.step), QImage::Format_Grayscale8);
    QVERIFY(img.save(file));
}

void writeText(const QString& file, const QByteArray& text) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// A PNG signature and header chunk, and nothing else.
QByteArray pngHeader(quint32 width, quint32 height) {
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (quint32 v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += char((v >> shift) & 0xFF);
    bytes += QByteArray("\x08\x00\x00\x00\x00\0\0\0\0", 9);
    return bytes;
}

QByteArray tweakLines(int n, const char* line) {
    QByteArray text;
    for (int i = 0; i < n; ++i)
        text += line;
    return text;
}

} // namespace

TestCalibCli::Run TestCalibCli::run(const QString& program, const QStringList& args) const {
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

TestCalibCli::Run TestCalibCli::calib(const QStringList& extra) const {
    return run(TIVORA_CALIB, QStringList{"--black", path("black.png"), "--white", path("white.png"),
                                         "--pattern", path("pattern.png"), "--window", "1280x800"} +
                                 extra);
}

void TestCalibCli::initTestCase() {
    QVERIFY(m_dir.isValid());
    ProjectionParams lens = neutralProjection();
    getLensPreset(2, 0, lens);
    const ProjectionParams truth =
        groundTruthModel(lens, screenQuad(kW, kH, {640, 350}, 0.72, -2.0, 0.03), kW, kH);
    CameraLight light;
    light.supersampling = 1;
    save(renderCaptureMat(blackScreen(kW, kH), truth, light), path("black.png"));
    light.seed = 2;
    save(renderCaptureMat(whiteScreen(kW, kH), truth, light), path("white.png"));
    light.seed = 3;
    save(renderCaptureMat(patternScreen(kW, kH), truth, light), path("pattern.png"));
    save(cv::Mat(360, 640, CV_8UC1, cv::Scalar(9)), path("small.png"));
    writeText(path("tweak20.txt"), tweakLines(20, "1.5 -2\n"));
    writeText(path("tweak19.txt"), tweakLines(19, "1.5 -2\n"));
    writeText(path("tweakbad.txt"), tweakLines(19, "1.5 -2\n") + "1.5 x\n");
    // Headers that claim huge pictures in a few bytes, and a capture cut off after its header.
    writeText(path("huge.pgm"), "P5\n40000 40000\n255\n");
    writeText(path("huge.png"), pngHeader(20000, 20000));
    QFile whole(path("white.png"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    writeText(path("cut.png"), whole.read(100));
    writeText(path("cut.pgm"), "P5\n1280 720\n255\n" + QByteArray(1000, '\x40'));
    writeText(path("text.png"), "not a picture\n");
}

void TestCalibCli::calibratesWithJson() {
    const Run r = calib({"--lens", "2", "--json", "--tweak", "zero", "--overlay", path("ov.png")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.contains("AC_FindPatternCenter - End"));
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(r.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o["calib_success"].toInt(), 1);
    QCOMPARE(o["m_tp"].toArray().size(), 13);
    QVERIFY(o["ac_loop"].toInt() > 0);
    QVERIFY(o["ac_sse"].toDouble() < 64.0 * 20);
    QCOMPARE(o["window"].toArray(), (QJsonArray{1280, 800}));
    QCOMPARE(o["window_points"].toArray().size(), 20);
    QCOMPARE(o["window_points"].toArray()[0].toArray(), (QJsonArray{70, 70}));
    QCOMPARE(o["org"].toArray().size(), 20);
    QCOMPARE(o["twk"].toArray(), o["org"].toArray()); // zero offsets
    QVERIFY(o["y_threshold"].isDouble());
    QVERIFY(o["elapsed_ms"].toDouble() > 0.0);

    const QImage overlay(path("ov.png"));
    QCOMPARE(overlay.size(), QSize(1280, 720));
    QVERIFY(!overlay.allGray());
}

void TestCalibCli::tweakFileIsAdded() {
    const Run r =
        calib({"--lens", "2", "--json", "--tweak", path("tweak20.txt"), "--entry", "semi"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    const QJsonArray org = o["org"].toArray();
    const QJsonArray twk = o["twk"].toArray();
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(twk[i].toArray()[0].toDouble(),
                 static_cast<double>(static_cast<float>(org[i].toArray()[0].toDouble() + 1.5)));
        QCOMPARE(twk[i].toArray()[1].toDouble(),
                 static_cast<double>(static_cast<float>(org[i].toArray()[1].toDouble() - 2.0)));
    }
    QVERIFY(r.err.contains("SC_CallCalcCalibParameter - End"));
}

void TestCalibCli::failedCalibrationExitsWithOne() {
    // The white capture as the pattern: nothing to recognise.
    const Run r =
        run(TIVORA_CALIB, {"--black", path("black.png"), "--white", path("white.png"), "--pattern",
                           path("white.png"), "--window", "1280x800", "--json"});
    QCOMPARE(r.exitCode, 1);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(o["calib_success"].toInt(), 0);
    QVERIFY(o["y_threshold"].isNull());
    QCOMPARE(o["failure"].toString(), QStringLiteral("too few marks"));
    QVERIFY(r.err.contains("calcProjection(): nRealCornerCount = 0"));

    const Run human = run(TIVORA_CALIB, {"--black", path("black.png"), "--white", path("white.png"),
                                         "--pattern", path("white.png"), "--window", "1280x800"});
    QCOMPARE(human.exitCode, 1);
    QVERIFY(human.out.startsWith("calibration failed: too few marks\n"));
    QVERIFY(human.out.contains("centres found: 0 of 20"));

    // A camera that sees no screen: the white capture is the black one.
    const Run dark = run(TIVORA_CALIB, {"--black", path("black.png"), "--white", path("black.png"),
                                        "--pattern", path("black.png"), "--window", "1280x800"});
    QCOMPARE(dark.exitCode, 1);
    QVERIFY(dark.out.startsWith("calibration failed: no screen in the picture\n"));
}

void TestCalibCli::badInput_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString black = path("black.png");
    const QString white = path("white.png");
    const QString pattern = path("pattern.png");
    const QStringList base{"--black", black, "--white", white, "--window", "1280x800"};
    QTest::newRow("missing file") << (base + QStringList{"--pattern", path("nope.png")})
                                  << "nope.png: no such file";
    QTest::newRow("wrong size") << (base + QStringList{"--pattern", path("small.png")})
                                << "picture is 640 x 360, expected 1280 x 720";
    QTest::newRow("PGM header of 40000 x 40000")
        << (base + QStringList{"--pattern", path("huge.pgm")})
        << "picture is 40000 x 40000, expected 1280 x 720";
    QTest::newRow("PNG header of 20000 x 20000")
        << (base + QStringList{"--pattern", path("huge.png")})
        << "picture is 20000 x 20000, expected 1280 x 720";
    QTest::newRow("PNG cut off") << (base + QStringList{"--pattern", path("cut.png")})
                                 << "cut.png: not a picture";
    QTest::newRow("PGM cut off") << (base + QStringList{"--pattern", path("cut.pgm")})
                                 << "cut.pgm: ";
    QTest::newRow("text named .png")
        << (base + QStringList{"--pattern", path("text.png")}) << "text.png: not a picture";
    QTest::newRow("missing option")
        << QStringList{"--black", black, "--white", white, "--pattern", pattern}
        << "missing option --window";
    QTest::newRow("lens out of range")
        << (base + QStringList{"--pattern", pattern, "--lens", "5"}) << "--lens 5: expected 1 to 4";
    QTest::newRow("unknown option")
        << (base + QStringList{"--pattern", pattern, "--speed"}) << "Unknown option 'speed'";
    QTest::newRow("short tweak file")
        << (base + QStringList{"--pattern", pattern, "--tweak", path("tweak19.txt")})
        << "19 offset lines, expected 20";
    QTest::newRow("bad tweak line")
        << (base + QStringList{"--pattern", pattern, "--tweak", path("tweakbad.txt")})
        << "line 20 is not";
}

void TestCalibCli::badInput() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run r = run(TIVORA_CALIB, args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    const QString first = QString::fromUtf8(r.err).section('\n', 0, 0);
    QVERIFY2(first.startsWith("tivora-calib: ") && first.contains(message), qPrintable(first));
}

QTEST_MAIN(TestCalibCli)
#include "test_calibcli.moc"
