#pragma once

#include <QImage>
#include <QVector>

// How the camera's live picture answers a monitor turned white, measured against the same
// picture with every monitor black. Pictures of any format are read as 8-bit grey; pictures
// of different sizes, or null ones, answer nothing.
namespace screen_response {

// The camera's black reference: the mean of two black pictures and the noise of one picture
// (the standard deviation of their difference over the square root of 2).
struct BlackReference {
    QImage mean; // Format_Grayscale8
    double noise = 0.0;
};

BlackReference blackReference(const QImage& first, const QImage& second);

// The grey level a pixel must rise by to count as lit: far above the noise, and at least the
// rounding of two 8-bit pictures.
double riseThreshold(double noise);

struct Response {
    double litShare = 0.0; // share of the picture that rose clearly
    double meanRise = 0.0; // mean rise of those pixels, grey levels
    double strength() const { return litShare * meanRise; }
};

Response responseOf(const BlackReference& black, const QImage& white);

// A monitor counts as seen when enough of the picture lit up that it cannot be chance or a
// few hot pixels.
bool isSeen(const Response& response);

struct Decision {
    int chosen = -1;   // index of the strongest seen response; -1: none seen
    QVector<int> seen; // every seen index, in order
    bool mirrored() const { return seen.size() > 1; }
};

Decision decide(const QVector<Response>& responses);

} // namespace screen_response
