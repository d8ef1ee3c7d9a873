#include "SceneRun.h"

#include "OfflineCalibration.h"
#include "compute/CalcCalibParameter.h"
#include "compute/CalibWorkspace.h"
#include "compute/PatternGeometry.h"
#include "sim/camera/Screens.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr double kGridStep = 16.0;

// Where the window draws the mark of position i, in window pixels with pixel centres at
// integers. A disc (with its one-pixel outline) spans the pixels cx - r to cx + r; a marker's
// 6 x 6 cells span cx - 3s to cx + 3s - 1, so its centre lies half a pixel up and left of the
// position's window point.
cv::Point2d drawnCentre(int i, const TargetPoint& p) {
    const double shift = isMarkerPosition(i) ? 0.5 : 0.0;
    return {p.x - shift, p.y - shift};
}

CameraLight withSeed(CameraLight light, uint32_t offset) {
    light.seed += offset;
    return light;
}

// Squared errors of the fitted mapping against the truth on a grid over the whole window,
// lines every kGridStep window pixels or a little less, edges included. Returns the count.
int mappingError(const BenchScene& scene, const ProjectionParams& tp, double& sq, double& worst) {
    const int w = scene.windowWidth;
    const int h = scene.windowHeight;
    const int nx = static_cast<int>(std::ceil((w - 1) / kGridStep)) + 1;
    const int ny = static_cast<int>(std::ceil((h - 1) / kGridStep)) + 1;
    for (int gy = 0; gy < ny; ++gy) {
        const double y = (h - 1) * static_cast<double>(gy) / (ny - 1);
        for (int gx = 0; gx < nx; ++gx) {
            const double x = (w - 1) * static_cast<double>(gx) / (nx - 1);
            const cv::Point2d cam = cameraPointOf(scene.truth, {x, y});
            const cv::Point2d m = mapPoint(tp, cam.x, cam.y);
            const double d2 = (m.x - x) * (m.x - x) + (m.y - y) * (m.y - y);
            sq += d2;
            worst = std::max(worst, std::sqrt(d2));
        }
    }
    return nx * ny;
}

ProjectionParams fitToDrawnCentres(const BenchScene& scene, const OfflineResult& r) {
    std::array<cv::Point2d, kCalibPointCapacity> cam{};
    std::array<cv::Point2d, kCalibPointCapacity> win{};
    int n = 0;
    for (int i = 0; i < r.nAC; ++i) {
        if (!isValidCamPoint(r.org[i]))
            continue;
        cam[n] = cv::Point2d(r.org[i]);
        win[n] = drawnCentre(i, r.windowPoints[i]);
        ++n;
    }
    CalibFitInput in;
    in.withLens = true;
    in.seed = calibWorkspace().ac_homography;
    in.lensType = scene.lens;
    in.fwLower = scene.fwLower;
    in.count = n;
    in.camPoints = cam.data();
    in.winPoints = win.data();
    return CalcCalibParameter(in).tp;
}

// 9 significant digits tell every float apart.
QString centresText(const OfflineResult& r) {
    QStringList pairs;
    for (int i = 0; i < r.nAC; ++i)
        pairs << QString::asprintf("%.9g,%.9g", double(r.org[i].x), double(r.org[i].y));
    return pairs.join(' ');
}

} // namespace

QJsonObject SceneOutcome::toJson() const {
    return {{"success", success},
            {"found", found},
            {"centre_sq", centreSq},
            {"centre_max", centreMax},
            {"centre_n", centreCount},
            {"marker_sq", markerSq},
            {"marker_n", markerCount},
            {"map_sq", mapSq},
            {"map_max", mapMax},
            {"map_n", mapCount},
            {"drawn_map_sq", drawnMapSq},
            {"drawn_map_max", drawnMapMax},
            {"fit_ms", fitMs},
            {"cpu_ms", cpuMs},
            {"centres", centres}};
}

SceneOutcome SceneOutcome::fromJson(const QJsonObject& o) {
    SceneOutcome s;
    s.success = o["success"].toBool();
    s.found = o["found"].toInt();
    s.centreSq = o["centre_sq"].toDouble();
    s.centreMax = o["centre_max"].toDouble();
    s.centreCount = o["centre_n"].toInt();
    s.markerSq = o["marker_sq"].toDouble();
    s.markerCount = o["marker_n"].toInt();
    s.mapSq = o["map_sq"].toDouble();
    s.mapMax = o["map_max"].toDouble();
    s.mapCount = o["map_n"].toInt();
    s.drawnMapSq = o["drawn_map_sq"].toDouble();
    s.drawnMapMax = o["drawn_map_max"].toDouble();
    s.fitMs = o["fit_ms"].toDouble();
    s.cpuMs = o["cpu_ms"].toDouble();
    s.centres = o["centres"].toString();
    return s;
}

SceneCaptures renderScene(const BenchScene& scene) {
    const int w = scene.windowWidth;
    const int h = scene.windowHeight;
    SceneCaptures c;
    c.black = renderCaptureMat(blackScreen(w, h), scene.truth, withSeed(scene.light, 0));
    c.white = renderCaptureMat(whiteScreen(w, h), scene.truth, withSeed(scene.light, 1));
    c.pattern = renderCaptureMat(patternScreen(w, h), scene.truth, withSeed(scene.light, 2));
    return c;
}

SceneOutcome runScene(const BenchScene& scene, const SceneCaptures& captures) {
    const int w = scene.windowWidth;
    const int h = scene.windowHeight;

    OfflineOptions options;
    options.windowWidth = w;
    options.windowHeight = h;
    options.lens = scene.lens;
    options.fwLower = scene.fwLower;
    options.tweaks.assign(20, cv::Point2f(0.f, 0.f));
    const std::clock_t cpuStart = std::clock();
    const OfflineResult r =
        runOfflineCalibration(captures.black, captures.white, captures.pattern, options);
    const double cpuMs = (std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;

    SceneOutcome out;
    out.success = r.success;
    out.fitMs = r.fitMs;
    out.cpuMs = cpuMs;
    out.centres = centresText(r);
    for (int i = 0; i < r.nAC; ++i) {
        if (!isValidCamPoint(r.org[i]))
            continue;
        ++out.found;
        const cv::Point2d truth = cameraPointOf(scene.truth, drawnCentre(i, r.windowPoints[i]));
        const cv::Point2d d = cv::Point2d(r.org[i]) - truth;
        const double sq = d.dot(d);
        out.centreSq += sq;
        out.centreMax = std::max(out.centreMax, std::sqrt(sq));
        ++out.centreCount;
        if (isMarkerPosition(i)) {
            out.markerSq += sq;
            ++out.markerCount;
        }
    }
    if (!r.success)
        return out;
    out.mapCount = mappingError(scene, r.tp, out.mapSq, out.mapMax);
    mappingError(scene, fitToDrawnCentres(scene, r), out.drawnMapSq, out.drawnMapMax);
    return out;
}
