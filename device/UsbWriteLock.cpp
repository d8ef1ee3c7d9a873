#include "device/UsbWriteLock.h"

std::mutex& usbWriteLock() {
    static std::mutex lock;
    return lock;
}
