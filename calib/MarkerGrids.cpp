#include "MarkerGrids.h"

namespace {

struct MarkerEntry {
    int id;
    uint16_t code;
};

// Codes of the published TAG16h5 family for the ids the pattern uses.
constexpr MarkerEntry kMarkers[] = {
    {6, 0xb358},  {7, 0xe745},  {8, 0xfe59},  {11, 0xf0ab}, {12, 0x0d84},
    {13, 0x4736}, {16, 0x093c}, {17, 0x93b4}, {18, 0xa503},
};
constexpr int kMarkerCount = sizeof(kMarkers) / sizeof(kMarkers[0]);

MarkerGrid gridFromCode(uint16_t code) {
    MarkerGrid g{};
    for (int i = 0; i < kMarkerCells; ++i) {
        for (int j = 0; j < kMarkerCells; ++j) {
            const bool border = i == 0 || j == 0 || i == kMarkerCells - 1 || j == kMarkerCells - 1;
            if (border) {
                g[i][j] = 1;
                continue;
            }
            const int bit = 15 - (4 * (i - 1) + (j - 1));
            g[i][j] = ((code >> bit) & 1) ? 0 : 1;
        }
    }
    return g;
}

const std::array<MarkerGrid, kMarkerCount>& allGrids() {
    static const std::array<MarkerGrid, kMarkerCount> grids = [] {
        std::array<MarkerGrid, kMarkerCount> out{};
        for (int i = 0; i < kMarkerCount; ++i)
            out[i] = gridFromCode(kMarkers[i].code);
        return out;
    }();
    return grids;
}

int entryOf(int k) {
    for (int i = 0; i < kMarkerCount; ++i) {
        if (kMarkers[i].id == k)
            return i;
    }
    return -1;
}

} // namespace

const MarkerGrid* markerGridOf(int k) {
    const int e = entryOf(k);
    return e < 0 ? nullptr : &allGrids()[e];
}
