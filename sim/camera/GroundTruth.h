#pragma once

#include "compute/ProjectionModel.h"

#include <array>
#include <opencv2/core/types.hpp>

// The true camera-to-window model of a synthetic scene, and its inverse.
//
// Conventions are those of compute/ProjectionModel.h: camera pixels of the 1280 x 720 capture
// and window pixels, both with pixel centres at integer positions.

// Where the window's corners (0, 0), (W, 0), (W, H) and (0, H) appear in the capture, in
// camera pixels, clockwise from the top left.
using ScreenQuad = std::array<cv::Point2d, 4>;

// A quad of the given width fraction of the capture, centred on centre, with the window's
// aspect ratio, turned by roll degrees (clockwise on the capture) and with keystone: the top
// edge is (1 + keystone) times as wide as the bottom edge.
ScreenQuad screenQuad(int windowWidth, int windowHeight, const cv::Point2d& centre,
                      double widthFraction, double roll, double keystone);

// The model whose lens part is lens (p8..p12 taken from it) and whose perspective part maps
// the undistorted quad onto the window's corners.
ProjectionParams groundTruthModel(const ProjectionParams& lens, const ScreenQuad& quad,
                                  int windowWidth, int windowHeight);

// The camera point that the model maps onto the window point. Inverts the perspective part
// exactly and the radial part by Newton's method, assuming the radial factor grows
// monotonically over the capture (true for every lens preset).
cv::Point2d cameraPointOf(const ProjectionParams& truth, const cv::Point2d& window);
