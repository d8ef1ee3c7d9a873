#pragma once

#include "device/Transport.h"
#include "device/UsbIds.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

struct libusb_device_handle;

// The real module on the USB bus: libusb-1.0 for the bulk endpoints, hidapi to see whether
// its vendor HID collection has finished enumerating. On a machine without a USB bus it
// simply reports the module absent.
class UsbTransport : public Transport {
public:
    static constexpr uint16_t kVendorId = usb_ids::kVendorId;
    static constexpr uint16_t kProductId = usb_ids::kProductId;
    static constexpr uint16_t kHidUsagePage = 0xFF00;

    UsbTransport();
    ~UsbTransport() override;

    bool isPresent(bool checkHid) override;
    bool open(QString* serialNumber) override;
    QString inputDeviceName() const override { return m_sInputDeviceName; }
    OpenFailure lastOpenFailure() const override { return m_eOpenFailure; }
    bool isOpen() const override;
    bool isLost() override;
    void close() override;
    int write(const uint8_t* packet) override;
    int read(uint8_t endpoint, uint8_t* packet, int timeoutMs) override;

private:
    // One bulk transfer on the open handle, which close() waits for: libusb must not close a
    // handle while another thread is inside a transfer on it, which a replug seen by the
    // connection watch while a command is being sent would otherwise allow. Answers libusb's
    // result; LIBUSB_ERROR_NO_DEVICE also when nothing is open.
    int bulkTransfer(uint8_t endpoint, uint8_t* packet, unsigned timeoutMs, int* transferred);

    bool m_bUsbReady = false;
    bool m_bHidReady = false;
    mutable std::mutex m_handleLock;
    std::condition_variable m_handleFree;
    libusb_device_handle* m_pHandle = nullptr;
    int m_nTransfers = 0;
    // A transfer on the open handle found the device gone.
    std::atomic<bool> m_bLost{false};
    std::atomic<OpenFailure> m_eOpenFailure{OpenFailure::None};
    QString m_sInputDeviceName; // written and read by the opening thread only
};
