#pragma once

#include <array>

struct SimProfile;

// Where the pen's point lies in the camera relative to the touched window point: the
// profile's offsets (camera pixels) at the 20 pattern positions of a w x h window, linear
// between neighbouring positions in each direction and held beyond the outer ones. lens and
// fwMinor pick the predefined table when the profile asks for one.
std::array<double, 2> penOffsetAt(const SimProfile& profile, int lens, int fwMinor, double x,
                                  double y, int w, int h);

// The input slot the utility pairs with target `target` of a calibration with `count` targets
// (16 manual, 20 tuning) for the ceiling and rear options; -1 when it pairs none.
int inputSlotOf(int target, int count, int ceiling, int rear);
