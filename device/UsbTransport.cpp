#include "device/UsbTransport.h"

#include "device/ByteOrder.h"
#include "device/Packet.h"
#include "log/LogCategories.h"
#include "log/ModuleText.h"
#include "log/Pause.h"

#include <QDebug>
#include <QThread>
#include <algorithm>
#include <hidapi.h>
#include <libusb.h>
#include <utility>

namespace {

constexpr int kWriteTimeoutMs = 1000;
constexpr int kSerialLength = 100;
// The kernel keeps an input device's name in 128 bytes of UTF-8, its terminator included.
constexpr int kNameBytes = 127;
// A string read the module never answers must not hold up the end of the program for long.
constexpr unsigned kStringTimeoutMs = 500;
constexpr uint16_t kEnglishUs = 0x0409;
// Babbling, short or empty packets in a row after which the link counts as broken.
constexpr int kMaxBadPackets = 32;
constexpr int kInterfaces[] = {2, 3};

bool isModule(libusb_device* device, bool* descriptorRead) {
    libusb_device_descriptor desc{};
    *descriptorRead = libusb_get_device_descriptor(device, &desc) == 0;
    return *descriptorRead && desc.idVendor == UsbTransport::kVendorId &&
           desc.idProduct == UsbTransport::kProductId;
}

// The refusals a user can mend or should know of: a missing udev rule, another program on the
// module, a device that has the module's ids but not its interfaces.
Transport::OpenFailure failureOf(int rc) {
    if (rc == LIBUSB_ERROR_ACCESS)
        return Transport::OpenFailure::PermissionDenied;
    if (rc == LIBUSB_ERROR_BUSY)
        return Transport::OpenFailure::Busy;
    if (rc == LIBUSB_ERROR_NOT_FOUND)
        return Transport::OpenFailure::NotTheModule;
    return Transport::OpenFailure::None;
}

void logClaimFailure(int interface, int rc) {
    qCDebug(lcDevice).noquote() << QString::asprintf("libusb_claim_interface(%d) FAIL!! %d: %s: %s",
                                                     interface, rc, libusb_error_name(rc),
                                                     libusb_strerror(libusb_error(rc)));
}

// Claims interfaces 2 and 3; when one fails, releases those claimed, the last first.
bool claimInterfaces(libusb_device_handle* handle, Transport::OpenFailure* failure) {
    int claimed = 0;
    for (const int interface : kInterfaces) {
        const int rc = libusb_claim_interface(handle, interface);
        qCDebug(lcDevice).noquote()
            << QString::asprintf("libusb_claim_interface(%d) = %d", interface, rc);
        if (rc != 0) {
            logClaimFailure(interface, rc);
            *failure = failureOf(rc);
            while (claimed > 0)
                libusb_release_interface(handle, kInterfaces[--claimed]);
            return false;
        }
        ++claimed;
    }
    return true;
}

void releaseInterfaces(libusb_device_handle* handle) {
    for (const int interface : kInterfaces)
        libusb_release_interface(handle, interface);
}

// The first characters of text whose UTF-8 form fits in bytes.
QString fitUtf8(const QString& text, int bytes) {
    int used = 0;
    int end = 0;
    while (end < text.size()) {
        const int next = text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const int size = text.mid(end, next).toUtf8().size();
        if (used + size > bytes)
            break;
        used += size;
        end += next;
    }
    return text.left(end);
}

} // namespace

UsbTransport::UsbTransport() {
    const int rc = libusb_init(nullptr);
    if (rc != 0)
        qCWarning(lcDevice).noquote() << "libusb_init:" << libusb_error_name(rc);
    m_bUsbReady = rc == 0;
    m_bHidReady = hid_init() == 0;
}

UsbTransport::~UsbTransport() {
    close();
    if (m_bUsbReady)
        libusb_exit(nullptr);
    if (m_bHidReady)
        hid_exit();
}

bool UsbTransport::isPresent(bool checkHid) {
    if (!m_bUsbReady)
        return false;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    if (count < 0) {
        qCWarning(lcDevice).noquote() << "libusb_get_device_list:" << libusb_error_name(int(count));
        return false;
    }
    bool found = false;
    for (ssize_t i = 0; i < count; ++i) {
        bool descriptorRead = false;
        const bool module = isModule(list[i], &descriptorRead);
        if (!descriptorRead)
            break;
        if (module) {
            qCDebug(lcDevice).noquote() << QString::asprintf("%04X %04X", kVendorId, kProductId);
            found = true;
            break;
        }
    }
    libusb_free_device_list(list, 1);
    if (!found || !checkHid)
        return found;
    if (!m_bHidReady)
        return false;

    hid_device_info* devices = hid_enumerate(kVendorId, kProductId);
    bool ready = false;
    for (hid_device_info* d = devices; d; d = d->next) {
        if (d->usage_page == kHidUsagePage) {
            qCDebug(lcDevice).noquote() << QString::asprintf("%04X %04X | %04X %04X", kVendorId,
                                                             kProductId, kHidUsagePage, d->usage);
            ready = true;
            break;
        }
    }
    hid_free_enumeration(devices);
    return ready;
}

bool UsbTransport::open(QString* serialNumber) {
    m_sInputDeviceName.clear();
    if (!m_bUsbReady || m_bStopOpening)
        return false;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    if (count < 0) {
        qCWarning(lcDevice).noquote() << "libusb_get_device_list:" << libusb_error_name(int(count));
        return false;
    }
    libusb_device_handle* handle = nullptr;
    OpenFailure failure = OpenFailure::None;
    for (ssize_t i = 0; i < count && !handle && !m_bStopOpening; ++i) {
        bool descriptorRead = false;
        if (!isModule(list[i], &descriptorRead))
            continue;
        libusb_device_descriptor desc{};
        libusb_get_device_descriptor(list[i], &desc);
        const int rc = libusb_open(list[i], &handle);
        qCDebug(lcDevice).noquote()
            << QString::asprintf("libusb_open() = %d %s", rc, rc ? libusb_error_name(rc) : "");
        if (rc != 0) {
            handle = nullptr;
            failure = failureOf(rc);
            continue;
        }
        if (!pause::sleepMs(200, m_bStopOpening) || !claimInterfaces(handle, &failure)) {
            libusb_close(handle);
            handle = nullptr;
            continue;
        }
        const uint16_t language = firstLanguage(handle);
        *serialNumber = stringDescriptor(handle, language, desc.iSerialNumber).left(kSerialLength);
        m_sInputDeviceName = kernelInputName(handle, language, desc.iManufacturer, desc.iProduct);
        if (m_bStopOpening) {
            releaseInterfaces(handle);
            libusb_close(handle);
            handle = nullptr;
        }
    }
    libusb_free_device_list(list, 1);
    m_eOpenFailure = handle ? OpenFailure::None : failure;
    std::lock_guard<std::mutex> lock(m_handleLock);
    m_bLost = false;
    m_bBroken = false;
    m_nBadPackets = 0;
    m_pHandle = handle;
    return handle != nullptr;
}

// libusb_get_string_descriptor's request, with a time-out of our own. Bytes read, or libusb's
// error.
int UsbTransport::readStringDescriptor(libusb_device_handle* handle, uint8_t index,
                                       uint16_t language, unsigned char (&descriptor)[255]) {
    if (m_bStopOpening)
        return LIBUSB_ERROR_INTERRUPTED;
    const int rc =
        libusb_control_transfer(handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                uint16_t((LIBUSB_DT_STRING << 8) | index), language, descriptor,
                                sizeof(descriptor), kStringTimeoutMs);
    if (rc < 0)
        qCWarning(lcDevice).noquote()
            << QString::asprintf("string descriptor %d: %s", index, libusb_error_name(rc));
    return rc >= 2 && descriptor[1] == LIBUSB_DT_STRING ? std::min(rc, int(descriptor[0])) : -1;
}

uint16_t UsbTransport::firstLanguage(libusb_device_handle* handle) {
    unsigned char table[255] = {};
    return readStringDescriptor(handle, 0, 0, table) >= 4 ? le::u16(table, 2) : kEnglishUs;
}

// Empty when the module has no such string, does not answer in time, or the end of the
// program was asked for.
QString UsbTransport::stringDescriptor(libusb_device_handle* handle, uint16_t language,
                                       uint8_t index) {
    unsigned char descriptor[255] = {};
    const int length = index != 0 ? readStringDescriptor(handle, index, language, descriptor) : 0;
    std::u16string units;
    for (int at = 2; at + 1 < length; at += 2)
        units += char16_t(le::u16(descriptor, size_t(at)));
    return QString::fromUtf16(units.data(), int(units.size()));
}

// The name the kernel gives the module's input device, which `xinput list` shows: the
// manufacturer and product strings joined by a space, whichever of them exists alone, or
// "HID vendor:product" without either, cut to the kernel's name buffer.
QString UsbTransport::kernelInputName(libusb_device_handle* handle, uint16_t language,
                                      uint8_t manufacturerIndex, uint8_t productIndex) {
    QString name = stringDescriptor(handle, language, manufacturerIndex);
    const QString product = stringDescriptor(handle, language, productIndex);
    if (!name.isEmpty() && !product.isEmpty())
        name += QLatin1Char(' ');
    name += product;
    if (name.isEmpty())
        name = QString::asprintf("HID %04x:%04x", kVendorId, kProductId);
    return printableModuleText(fitUtf8(name, kNameBytes));
}

bool UsbTransport::isOpen() const {
    std::lock_guard<std::mutex> lock(m_handleLock);
    return m_pHandle != nullptr;
}

bool UsbTransport::isLost() {
    std::lock_guard<std::mutex> lock(m_handleLock);
    return m_pHandle != nullptr && m_bLost;
}

// Every call on the open handle: close() waits for the calls under way, and a vanished
// device marks the link lost.
int UsbTransport::onHandle(const std::function<int(libusb_device_handle*)>& call) {
    libusb_device_handle* handle = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_handleLock);
        if (!m_pHandle)
            return LIBUSB_ERROR_NO_DEVICE;
        handle = m_pHandle;
        ++m_nTransfers;
    }
    const int rc = call(handle);
    std::lock_guard<std::mutex> lock(m_handleLock);
    if (--m_nTransfers == 0)
        m_handleFree.notify_all();
    if (rc == LIBUSB_ERROR_NO_DEVICE)
        m_bLost = m_pHandle != nullptr;
    return rc;
}

int UsbTransport::bulkTransfer(uint8_t endpoint, uint8_t* packet, unsigned timeoutMs,
                               int* transferred) {
    return onHandle([&](libusb_device_handle* handle) {
        return libusb_bulk_transfer(handle, endpoint, packet, pkt::kPacketSize, transferred,
                                    timeoutMs);
    });
}

int UsbTransport::clearHalt(uint8_t endpoint) {
    return onHandle(
        [endpoint](libusb_device_handle* handle) { return libusb_clear_halt(handle, endpoint); });
}

void UsbTransport::close() {
    libusb_device_handle* handle = nullptr;
    {
        // New transfers find no handle at once; those under way end within their time-out.
        std::unique_lock<std::mutex> lock(m_handleLock);
        handle = std::exchange(m_pHandle, nullptr);
        m_handleFree.wait(lock, [this] { return m_nTransfers == 0; });
    }
    if (!handle)
        return;
    releaseInterfaces(handle);
    libusb_close(handle);
}

void UsbTransport::logFault(const QString& line) {
    int heldBack = 0;
    if (!m_faultLog.admit(&heldBack))
        return;
    if (heldBack > 0)
        qCWarning(lcDevice).noquote()
            << QString::asprintf("(%d USB fault lines like the next were left out)", heldBack);
    qCWarning(lcDevice).noquote() << line;
}

void UsbTransport::breakLink(const QString& reason) {
    if (!m_bBroken.exchange(true))
        qCWarning(lcDevice).noquote() << "USB link broken:" << reason;
}

UsbTransport::Verdict UsbTransport::judge(uint8_t endpoint, int rc, int transferred, bool retried) {
    const bool in = (endpoint & LIBUSB_ENDPOINT_IN) != 0;
    const char* way = in ? "read" : "write";
    if (rc == 0 && transferred == pkt::kPacketSize) {
        if (in)
            m_nBadPackets = 0;
        return Verdict::Done;
    }
    // Nothing to read is no fault; a device gone is the connection watch's business.
    if ((rc == LIBUSB_ERROR_TIMEOUT && in) || rc == LIBUSB_ERROR_NO_DEVICE)
        return Verdict::Failed;
    if (rc == LIBUSB_ERROR_TIMEOUT) {
        breakLink(
            QString::asprintf("USB write to 0x%02X timed out (LIBUSB_ERROR_TIMEOUT)", endpoint));
        return Verdict::Failed;
    }
    if (in && (rc == 0 || rc == LIBUSB_ERROR_OVERFLOW)) {
        const int bad = ++m_nBadPackets;
        const QString what = rc == 0 ? QString::asprintf("%d bytes", transferred)
                                     : QStringLiteral("LIBUSB_ERROR_OVERFLOW");
        logFault(QString::asprintf("USB read on 0x%02X: %s instead of a packet, dropped (%d in a "
                                   "row)",
                                   endpoint, qPrintable(what), bad));
        if (bad >= kMaxBadPackets)
            breakLink(QString::asprintf("%d damaged packets in a row on 0x%02X", bad, endpoint));
        return Verdict::Dropped;
    }
    if (rc == LIBUSB_ERROR_PIPE) {
        const int cleared = clearHalt(endpoint);
        logFault(QString::asprintf("USB %s on 0x%02X stalled (LIBUSB_ERROR_PIPE); %s%s", way,
                                   endpoint,
                                   cleared ? "clearing the halt failed: " : "halt cleared",
                                   cleared ? libusb_error_name(cleared) : ""));
        if (!retried && cleared == 0)
            return Verdict::Again;
        breakLink(QString::asprintf("0x%02X stays halted", endpoint));
        return Verdict::Failed;
    }
    logFault(QString::asprintf("USB %s on 0x%02X failed: %s", way, endpoint,
                               rc ? libusb_error_name(rc) : "short packet"));
    if (!retried)
        return Verdict::Again;
    breakLink(QString::asprintf("USB %s on 0x%02X failed twice (%s)", way, endpoint,
                                rc ? libusb_error_name(rc) : "short packet"));
    return Verdict::Failed;
}

// A transfer retried once where its failure allows. Bytes moved, or -1.
int UsbTransport::transfer(uint8_t endpoint, uint8_t* packet, unsigned timeoutMs) {
    // A lost or broken link stays so until the next open: a payload split in many packets must
    // not wait out a failure once per packet.
    for (bool retried = false; !m_bLost && !m_bBroken; retried = true) {
        int transferred = 0;
        const int rc = bulkTransfer(endpoint, packet, timeoutMs, &transferred);
        switch (judge(endpoint, rc, transferred, retried)) {
        case Verdict::Done:
            return transferred;
        case Verdict::Again:
            continue;
        case Verdict::Dropped:
        case Verdict::Failed:
            return -1;
        }
    }
    return -1;
}

int UsbTransport::write(const uint8_t* packet) {
    return transfer(pkt::kEpWrite, const_cast<uint8_t*>(packet), kWriteTimeoutMs);
}

int UsbTransport::read(uint8_t endpoint, uint8_t* packet, int timeoutMs) {
    return transfer(endpoint, packet, unsigned(std::max(timeoutMs, 1)));
}
