#include "device/LinkStorage.h"

namespace link {

std::atomic<int> g_nAC{0};
std::atomic<int> g_nMC{0};
uint8_t g_eeprom[kEepromSize] = {};
int g_mcPatternEnd = 0;
alignas(4) uint8_t g_inputPoints[kInputPointBytes] = {};

} // namespace link
