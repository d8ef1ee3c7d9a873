#pragma once

#include "sim/SceneSource.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The module's image sensor: takes 8-bit grey pictures of the installed scene. The scene can
// be swapped from any thread while the module runs; a picture in progress keeps the scene it
// started with.
class ModuleCamera {
public:
    ModuleCamera();

    // nullptr puts the test card back.
    void setScene(std::shared_ptr<SceneSource> scene);

    // width x height bytes, row after row. Each pixel is scaled by gain / 256 and clamped;
    // mirrored flips every row left to right, as the image-reverse setting asks.
    std::vector<uint8_t> picture(int width, int height, int gain, bool mirrored);

private:
    std::shared_ptr<SceneSource> scene();

    std::mutex m_mutex;
    std::shared_ptr<SceneSource> m_scene;
};
