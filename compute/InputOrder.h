#pragma once

// Where the module puts the pen point of each target. Position k of the computation's order
// takes input slot order[k] and pairs it with target upright[k], where order is the list for
// the ceiling and rear options the module photographs with and upright the list for ceiling 0,
// rear 0. Manual calibration has 16 targets, the tuning pass 20.
//
// Null when an option is outside 0 and 1.
const int* inputOrder(bool tuning, int ceiling, int rear);
