#pragma once

#include "sim/SceneSource.h"

// The scene of a module that looks at nothing in particular: a grey test card with a
// left-to-right gradient, a white frame, a bright disc, a dark square and a chequered
// corner, drawn in proportion to the size asked for. Its values stay clear of 0 and 255
// (frame excepted) so that a gain change shows.
class TestCard : public SceneSource {
public:
    QImage frame(int width, int height) override;
};
