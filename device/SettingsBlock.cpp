#include "device/SettingsBlock.h"

#include "device/ByteOrder.h"

#include <cstring>

namespace settings_block {

namespace {

struct Options {
    uint8_t o1, o2, o3, o4, o5, o6;
    uint8_t o8, o10, o11, o12, o13, o14, o15;
};

void fillCommon(uint8_t* b, uint8_t value1, uint8_t gain1, const Options& o) {
    std::memset(b, 0, kSize);
    b[0] = 1;
    b[1] = 1;
    le::put16(b, 2, 0x5000);
    le::put16(b, 4, 0x0000);
    b[6] = value1;
    b[7] = 0;
    b[8] = 0;
    b[9] = gain1;
    b[10] = o.o1;
    b[11] = o.o2;
    b[12] = o.o3;
    b[13] = o.o4;
    b[14] = o.o5;
    b[15] = o.o6;
    b[18] = o.o8;
    b[21] = o.o10;
    b[22] = o.o11;
    b[23] = o.o12;
    b[24] = o.o13;
    b[25] = o.o14;
    b[26] = o.o15;
}

// The low byte of the value followed by the value divided by 256, as the module reads it.
void putRowLimit(uint8_t* b, int offset, int value) {
    b[offset] = uint8_t(value & 0xFF);
    b[offset + 1] = uint8_t(value / 256);
}

} // namespace

void fillPen(uint8_t* b, int lensType, int fw) {
    uint8_t gain1 = 0x20, o1 = 3, o2 = 4, o3 = 30;
    if (lensType == 1) {
        gain1 = 0x18;
        if (fw <= 10) {
            o1 = 7, o2 = 12, o3 = 80;
        } else {
            o1 = 4, o2 = 5, o3 = 50;
        }
    } else if (lensType == 2) {
        gain1 = 0x20;
        if (fw <= 10) {
            o1 = 8, o2 = 11, o3 = 40;
        } else {
            o1 = 11, o2 = 12, o3 = 20;
        }
    } else if (lensType == 3) {
        if (fw < 10) {
            gain1 = 0x10, o1 = 7, o2 = 12, o3 = 80;
        } else if (fw == 10) {
            gain1 = 0x18, o1 = 8, o2 = 11, o3 = 40;
        } else {
            gain1 = 0x18, o1 = 4, o2 = 5, o3 = 50;
        }
    }
    const uint8_t o14 = (lensType >= 1 && lensType <= 3) ? 25 : 30;
    fillCommon(b, 0x27, gain1, {o1, o2, o3, 5, 0, 30, 30, 5, 1, 0, 0, o14, 0});
    le::put16(b, 16, 0); // o7
    le::put16(b, 19, 0); // o9
}

void fillFinger(uint8_t* b, int lensType, int fw, int rowLimitA, int rowLimitB) {
    struct Row {
        uint8_t value1, gain1, o1, o2, o3, o4, o5, o8, o10;
    };
    Row row{};
    bool known = true;
    if (lensType == 1)
        row = fw <= 10 ? Row{0x27, 0x18, 7, 12, 80, 5, 0, 30, 5}
                       : Row{0x27, 0x18, 5, 6, 40, 5, 0, 30, 5};
    else if (lensType == 2)
        row = Row{0xA7, 0x20, 4, 5, 20, 5, 0, 20, 5};
    else if (lensType == 3)
        row = fw <= 10 ? Row{0xA7, 0x20, 2, 3, 12, 4, 24, 7, 2}
                       : Row{0xA7, 0x18, 5, 6, 40, 5, 0, 30, 5};
    else
        known = false;

    if (!known) {
        // Only the head of the block is defined for other lenses; the rest stays zero.
        std::memset(b, 0, kSize);
        const uint8_t head[] = {1, 1, 0x01, 0x00, 0x05, 0x0A, 0x05};
        std::memcpy(b, head, sizeof head);
        return;
    }
    fillCommon(b, row.value1, row.gain1,
               {row.o1, row.o2, row.o3, row.o4, row.o5, 30, row.o8, row.o10, 1, 0, 5, 10, 5});
    putRowLimit(b, 16, rowLimitA);
    putRowLimit(b, 19, rowLimitB);
}

} // namespace settings_block
