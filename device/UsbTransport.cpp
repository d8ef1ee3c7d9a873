#include "device/UsbTransport.h"

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
constexpr int kSerialBufferSize = 101;
// The kernel keeps an input device's name in 128 bytes, its terminator included.
constexpr int kNameBufferSize = 128;

bool isModule(libusb_device* device, bool* descriptorRead) {
    libusb_device_descriptor desc{};
    *descriptorRead = libusb_get_device_descriptor(device, &desc) == 0;
    return *descriptorRead && desc.idVendor == UsbTransport::kVendorId &&
           desc.idProduct == UsbTransport::kProductId;
}

// The two refusals a user can mend: a missing udev rule, or another program on the module.
Transport::OpenFailure failureOf(int rc) {
    if (rc == LIBUSB_ERROR_ACCESS)
        return Transport::OpenFailure::PermissionDenied;
    if (rc == LIBUSB_ERROR_BUSY)
        return Transport::OpenFailure::Busy;
    return Transport::OpenFailure::None;
}

// One string descriptor in ASCII (libusb writes '?' for anything else), at most bufferSize - 1
// characters; empty when the module has none.
template <int bufferSize> QString stringDescriptor(libusb_device_handle* handle, uint8_t index) {
    unsigned char text[bufferSize] = {};
    if (index != 0)
        libusb_get_string_descriptor_ascii(handle, index, text, bufferSize - 1);
    return QString::fromLatin1(reinterpret_cast<const char*>(text));
}

// The name the kernel gives the module's input device, which `xinput list` shows: the
// manufacturer and product strings joined by a space, whichever of them exists alone, or
// "HID vendor:product" without either, cut to the kernel's name buffer.
QString kernelInputName(libusb_device_handle* handle, const libusb_device_descriptor& desc) {
    QString name = stringDescriptor<kNameBufferSize>(handle, desc.iManufacturer);
    const QString product = stringDescriptor<kNameBufferSize>(handle, desc.iProduct);
    if (!name.isEmpty() && !product.isEmpty())
        name += QLatin1Char(' ');
    name += product;
    if (name.isEmpty())
        name = QString::asprintf("HID %04x:%04x", desc.idVendor, desc.idProduct);
    return printableModuleText(name.left(kNameBufferSize - 1));
}

void logClaimFailure(int interface, int rc) {
    qCDebug(lcDevice).noquote() << QString::asprintf("libusb_claim_interface(%d) FAIL!! %d: %s: %s",
                                                     interface, rc, libusb_error_name(rc),
                                                     libusb_strerror(libusb_error(rc)));
}

} // namespace

UsbTransport::UsbTransport() {
    m_bUsbReady = libusb_init(nullptr) == 0;
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
    if (count < 0)
        return false;
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
    if (!m_bUsbReady)
        return false;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(nullptr, &list);
    if (count < 0)
        return false;
    libusb_device_handle* handle = nullptr;
    OpenFailure failure = OpenFailure::None;
    for (ssize_t i = 0; i < count && !handle; ++i) {
        bool descriptorRead = false;
        if (!isModule(list[i], &descriptorRead))
            continue;
        libusb_device_descriptor desc{};
        libusb_get_device_descriptor(list[i], &desc);
        int rc = libusb_open(list[i], &handle);
        qCDebug(lcDevice).noquote() << QString::asprintf("libusb_open() = %d ", rc);
        if (rc != 0) {
            handle = nullptr;
            failure = failureOf(rc);
            continue;
        }
        pause::sleepMs(200);
        bool claimed = true;
        for (int interface : {2, 3}) {
            rc = libusb_claim_interface(handle, interface);
            qCDebug(lcDevice).noquote()
                << QString::asprintf("libusb_claim_interface(%d) = %d", interface, rc);
            if (rc != 0) {
                libusb_close(handle);
                handle = nullptr;
                logClaimFailure(interface, rc);
                failure = failureOf(rc);
                claimed = false;
                break;
            }
        }
        if (!claimed)
            continue;
        *serialNumber = stringDescriptor<kSerialBufferSize>(handle, desc.iSerialNumber);
        m_sInputDeviceName = kernelInputName(handle, desc);
    }
    libusb_free_device_list(list, 1);
    m_eOpenFailure = handle ? OpenFailure::None : failure;
    std::lock_guard<std::mutex> lock(m_handleLock);
    m_bLost = false;
    m_pHandle = handle;
    return handle != nullptr;
}

bool UsbTransport::isOpen() const {
    std::lock_guard<std::mutex> lock(m_handleLock);
    return m_pHandle != nullptr;
}

bool UsbTransport::isLost() {
    std::lock_guard<std::mutex> lock(m_handleLock);
    return m_pHandle != nullptr && m_bLost;
}

int UsbTransport::bulkTransfer(uint8_t endpoint, uint8_t* packet, unsigned timeoutMs,
                               int* transferred) {
    libusb_device_handle* handle = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_handleLock);
        if (!m_pHandle)
            return LIBUSB_ERROR_NO_DEVICE;
        handle = m_pHandle;
        ++m_nTransfers;
    }
    const int rc =
        libusb_bulk_transfer(handle, endpoint, packet, pkt::kPacketSize, transferred, timeoutMs);
    std::lock_guard<std::mutex> lock(m_handleLock);
    if (--m_nTransfers == 0)
        m_handleFree.notify_all();
    if (rc == LIBUSB_ERROR_NO_DEVICE)
        m_bLost = m_pHandle != nullptr;
    return rc;
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
    libusb_release_interface(handle, 2);
    libusb_release_interface(handle, 3);
    libusb_close(handle);
}

int UsbTransport::write(const uint8_t* packet) {
    // A lost link stays lost until the next open: a payload split in many packets must not
    // wait out the time-out once per packet.
    if (m_bLost)
        return -1;
    int transferred = 0;
    const int rc =
        bulkTransfer(pkt::kEpWrite, const_cast<uint8_t*>(packet), kWriteTimeoutMs, &transferred);
    if (rc == LIBUSB_ERROR_TIMEOUT) {
        qCWarning(lcDevice).noquote() << "USB write timed out: the link is lost";
        m_bLost = true;
    }
    return rc == 0 ? transferred : -1;
}

int UsbTransport::read(uint8_t endpoint, uint8_t* packet, int timeoutMs) {
    int transferred = 0;
    const int rc = bulkTransfer(endpoint, packet, unsigned(std::max(timeoutMs, 1)), &transferred);
    return rc == 0 ? transferred : -1;
}
