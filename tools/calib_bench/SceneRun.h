#pragma once

#include "BenchScene.h"

#include <QJsonObject>
#include <opencv2/core/mat.hpp>

// Renders the three captures of a scene, calibrates from them with a zero tweak table and
// measures the result against the scene's true model.
struct SceneOutcome {
    bool success = false;
    int found = 0;         // positions with a centre
    double centreSq = 0.0; // sum of squared centre errors, camera pixels
    double centreMax = 0.0;
    int centreCount = 0;
    double markerSq = 0.0; // the same over marker positions only
    int markerCount = 0;
    double mapSq = 0.0; // sum of squared mapping errors over the grid, window pixels
    double mapMax = 0.0;
    int mapCount = 0;
    // The same for a fit to the drawn centres of the marks (see drawnCentre): what the mapping
    // would be if every mark were drawn centred on its window point.
    double drawnMapSq = 0.0;
    double drawnMapMax = 0.0;
    double fitMs = 0.0;
    double cpuMs = 0.0; // processor time of the same on all cores
    QString centres;    // the untweaked centres, every digit of their single precision

    QJsonObject toJson() const;
    static SceneOutcome fromJson(const QJsonObject& o);
};

struct SceneCaptures {
    cv::Mat black, white, pattern;
};

SceneCaptures renderScene(const BenchScene& scene);
SceneOutcome runScene(const BenchScene& scene, const SceneCaptures& captures);
