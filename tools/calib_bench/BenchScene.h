#pragma once

#include "compute/ProjectionModel.h"
#include "sim/camera/GroundTruth.h"
#include "sim/camera/SyntheticCamera.h"

#include <QString>
#include <cstdint>

// One scene of the benchmark corpus: a window size, a lens with its preset perturbed, a screen
// placement and the light of the three captures, all drawn from a seed.
struct BenchScene {
    int windowWidth = 0;
    int windowHeight = 0;
    int lens = 1;
    int fwLower = 10;
    double roll = 0.0;
    double keystone = 0.0;
    ProjectionParams truth{};
    CameraLight light;

    QString describe() const;
};

// Scene `index` of the corpus for the window size; the same seed gives the same scene.
BenchScene makeBenchScene(int windowWidth, int windowHeight, int index, uint32_t seed);
