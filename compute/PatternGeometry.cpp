#include "compute/PatternGeometry.h"

#include "compute/CalibWorkspace.h"

PatternGeometry PatternGeometry::from(const CalibWorkspace& ws) {
    PatternGeometry g;
    g.windowPoints = ws.windowPoints;
    g.nAC = ws.nAC();
    g.windowWidth = ws.ac_window_width;
    g.windowHeight = ws.ac_window_height;
    g.lensType = ws.acLens;
    return g;
}

bool isMarkerPosition(int i) {
    switch (i) {
    case 6:
    case 7:
    case 8:
    case 11:
    case 12:
    case 13:
    case 16:
    case 17:
    case 18:
        return true;
    default:
        return false;
    }
}
