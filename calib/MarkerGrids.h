#pragma once

#include <array>
#include <cstdint>

// The nine square markers of the automatic pattern, one per inner pattern position k
// (6, 7, 8, 11, 12, 13, 16, 17, 18), each the TAG16h5 marker with id k.
//
// A grid is 6 x 6 cells, [row][column], 1 = dark: a dark border ring around the 4 x 4 code
// block, whose cells are read row by row from the code's most significant bit and are dark
// where the bit is 0. The orientation is the family's published one.

constexpr int kMarkerCells = 6;

using MarkerGrid = std::array<std::array<uint8_t, kMarkerCells>, kMarkerCells>;

// The grid of position k, or nullptr when position k carries a disc.
const MarkerGrid* markerGridOf(int k);
