#pragma once

#include <QImage>

// What the camera module sees. The module asks for a picture of the size it is about to
// send (640 x 360 live, 1280 x 720 captured) on its own thread; a source answers from there
// without waiting for any other thread. Any format and size is accepted: the module turns
// the answer into 8-bit grey of the size it asked for, and a null image into black.
class SceneSource {
public:
    virtual ~SceneSource() = default;
    virtual QImage frame(int width, int height) = 0;
};
