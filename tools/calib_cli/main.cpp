// tivora-calib: an automatic calibration computed from three saved captures, for support and
// analysis. Exit codes: 0 calibrated, 1 the calibration failed, 2 bad input.

#include "CalibOptions.h"
#include "CaptureFiles.h"
#include "OfflineCalibration.h"
#include "Overlay.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <exception>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

int badInput(const QString& message) {
    std::fprintf(stderr, "tivora-calib: %s\n", qPrintable(message));
    return kExitBadInput;
}

template <typename Point> QJsonArray pairs(const Point* points, int n) {
    QJsonArray a;
    for (int i = 0; i < n; ++i)
        a.append(QJsonArray{points[i].x, points[i].y});
    return a;
}

const char* failureName(CalibrationFailure failure) {
    switch (failure) {
    case CalibrationFailure::NoScreen:
        return "no screen in the picture";
    case CalibrationFailure::TooFewMarks:
        return "too few marks";
    case CalibrationFailure::FitFailed:
        return "fit failed";
    case CalibrationFailure::None:
        break;
    }
    return "";
}

QJsonObject toJson(const OfflineResult& r, const OfflineOptions& o) {
    QJsonArray tp;
    for (double v : r.tp)
        tp.append(v);
    return {{"calib_success", r.success ? 1 : 0},
            {"m_tp", tp},
            {"ac_loop", r.loop},
            {"ac_sse", r.sse},
            {"window", QJsonArray{o.windowWidth, o.windowHeight}},
            {"window_points", pairs(r.windowPoints.data(), r.nAC)},
            {"org", pairs(r.org.data(), r.nAC)},
            {"twk", pairs(r.twk.data(), r.nAC)},
            {"y_threshold", r.yThreshold ? QJsonValue(*r.yThreshold) : QJsonValue()},
            {"failure", failureName(r.failure)},
            {"elapsed_ms", r.elapsedMs}};
}

void printSummary(const OfflineResult& r) {
    int found = 0;
    for (int i = 0; i < r.nAC; ++i)
        found += isValidCamPoint(r.org[i]) ? 1 : 0;
    if (r.success)
        std::printf("calibration succeeded\n");
    else
        std::printf("calibration failed: %s\n", failureName(r.failure));
    std::printf("centres found: %d of %d\n", found, r.nAC);
    std::printf("ac_loop = %d, ac_sse = %f\n", r.loop, r.sse);
    if (r.yThreshold)
        std::printf("y threshold: %d\n", *r.yThreshold);
    std::printf("computation: %.1f ms\n", r.elapsedMs);
}

int runCommand(const QCoreApplication& app) {
    keepPictureBuffers();
    CalibCommand cmd;
    QString error;
    if (!parseCalibCommand(app.arguments(), cmd, error))
        return badInput(error + "\n" + calibUsage().trimmed());
    if (cmd.help) {
        std::printf("%s", qPrintable(calibUsage()));
        return 0;
    }

    cv::Mat black, white, pattern;
    if (!readCapture(cmd.black, black, error) || !readCapture(cmd.white, white, error) ||
        !readCapture(cmd.pattern, pattern, error))
        return badInput(error);

    const OfflineResult result = runOfflineCalibration(black, white, pattern, cmd.options);

    if (!cmd.overlay.isEmpty() && !writeOverlay(cmd.overlay, result))
        return badInput(QStringLiteral("--overlay %1: cannot be written").arg(cmd.overlay));
    if (cmd.json)
        std::printf(
            "%s\n",
            QJsonDocument(toJson(result, cmd.options)).toJson(QJsonDocument::Compact).constData());
    else
        printSummary(result);
    return result.success ? 0 : kExitFailed;
}

} // namespace

// The libraries report some damaged inputs with exceptions; they end here as bad input.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        return runCommand(app);
    } catch (const std::exception& e) {
        return badInput(QString::fromLocal8Bit(e.what()).simplified());
    }
}
