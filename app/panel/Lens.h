#pragma once

#include <QMetaType>

// Lens type of the camera module; also the item data of the panel's lens box.
enum eLens {
    LensNone = 0,
    LensNormalThrow = 1,
    LensShortThrow = 2,
    LensUltraShortThrow = 3,
    // Some modules report it; the panel has no item for it and shows none chosen.
    LensReportedOnly = 4,
};

Q_DECLARE_METATYPE(eLens)
