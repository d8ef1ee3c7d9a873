#include "PanelPlacement.h"

#include <algorithm>

PanelPlacement placePanel(const QSize& content, const QVector<ScreenDesc>& screens,
                          const QPoint& cursor, const QMargins& frame, int scrollBarExtent) {
    PanelPlacement place;
    if (screens.isEmpty()) {
        place.geometry = QRect(QPoint(0, 0), content);
        return place;
    }
    const auto under = std::find_if(screens.begin(), screens.end(), [&](const ScreenDesc& s) {
        return s.geometry.contains(cursor);
    });
    const ScreenDesc& screen = under != screens.end() ? *under : screens.first();
    const QRect room = screen.availableOrWhole().marginsRemoved(frame);

    // A scroll bar in one direction takes room from the other, which may then need one too.
    QSize size = content;
    for (int pass = 0; pass < 2; ++pass) {
        place.scrollsVertically = size.height() > room.height();
        place.scrollsHorizontally = size.width() > room.width();
        size = content;
        if (place.scrollsVertically)
            size.rwidth() += scrollBarExtent;
        if (place.scrollsHorizontally)
            size.rheight() += scrollBarExtent;
    }
    size = size.boundedTo(room.size());
    place.geometry = QRect(QPoint(room.x() + (room.width() - size.width()) / 2,
                                  room.y() + (room.height() - size.height()) / 2),
                           size);
    return place;
}
