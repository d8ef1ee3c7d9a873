#include "compute/InputOrder.h"

namespace {

constexpr int kManualOrder[4][16] = {
    {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15},
    {12, 8, 4, 0, 13, 9, 5, 1, 14, 10, 6, 2, 15, 11, 7, 3},
    {15, 11, 7, 3, 14, 10, 6, 2, 13, 9, 5, 1, 12, 8, 4, 0},
    {3, 7, 11, 15, 2, 6, 10, 14, 1, 5, 9, 13, 0, 4, 8, 12},
};
constexpr int kTuningOrder[4][20] = {
    {0, 4, 8, 12, 16, 1, 5, 9, 13, 17, 2, 6, 10, 14, 18, 3, 7, 11, 15, 19},
    {16, 12, 8, 4, 0, 17, 13, 9, 5, 1, 18, 14, 10, 6, 2, 19, 15, 11, 7, 3},
    {19, 15, 11, 7, 3, 18, 14, 10, 6, 2, 17, 13, 9, 5, 1, 16, 12, 8, 4, 0},
    {3, 7, 11, 15, 19, 2, 6, 10, 14, 18, 1, 5, 9, 13, 17, 0, 4, 8, 12, 16},
};

} // namespace

const int* inputOrder(bool tuning, int ceiling, int rear) {
    if (ceiling < 0 || ceiling > 1 || rear < 0 || rear > 1)
        return nullptr;
    const int row = 2 * ceiling + rear;
    return tuning ? kTuningOrder[row] : kManualOrder[row];
}
