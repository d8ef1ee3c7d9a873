#pragma once

#include "device/Transport.h"
#include "device/UsbIds.h"
#include "log/LogThrottle.h"

#include <atomic>
#include <condition_variable>
#include <functional>
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
    bool isBroken() override { return m_bBroken; }
    void stopOpening() override { m_bStopOpening = true; }
    void close() override;
    int write(const uint8_t* packet) override;
    int read(uint8_t endpoint, uint8_t* packet, int timeoutMs) override;

private:
    // One bulk transfer on the open handle, which close() waits for: libusb must not close a
    // handle while another thread is inside a transfer on it, which a replug seen by the
    // connection watch while a command is being sent would otherwise allow. Answers libusb's
    // result; LIBUSB_ERROR_NO_DEVICE also when nothing is open.
    int bulkTransfer(uint8_t endpoint, uint8_t* packet, unsigned timeoutMs, int* transferred);
    int clearHalt(uint8_t endpoint);
    int onHandle(const std::function<int(libusb_device_handle*)>& call);

    // What a transfer's result means for the link; every failure is judged here.
    enum class Verdict { Done, Again, Dropped, Failed };
    Verdict judge(uint8_t endpoint, int rc, int transferred, bool retried);
    int transfer(uint8_t endpoint, uint8_t* packet, unsigned timeoutMs);
    void breakLink(const QString& reason);
    void logFault(const QString& line);

    // The module's strings as the kernel reads them: UTF-16LE in its first language.
    QString stringDescriptor(libusb_device_handle* handle, uint16_t language, uint8_t index);
    int readStringDescriptor(libusb_device_handle* handle, uint8_t index, uint16_t language,
                             unsigned char (&descriptor)[255]);
    uint16_t firstLanguage(libusb_device_handle* handle);
    QString kernelInputName(libusb_device_handle* handle, uint16_t language,
                            uint8_t manufacturerIndex, uint8_t productIndex);

    bool m_bUsbReady = false;
    bool m_bHidReady = false;
    mutable std::mutex m_handleLock;
    std::condition_variable m_handleFree;
    libusb_device_handle* m_pHandle = nullptr;
    int m_nTransfers = 0;
    // A transfer on the open handle found the device gone.
    std::atomic<bool> m_bLost{false};
    // Transfers on the open handle kept failing: see isBroken().
    std::atomic<bool> m_bBroken{false};
    // Babbling, short and empty packets read in a row.
    std::atomic<int> m_nBadPackets{0};
    std::atomic<bool> m_bStopOpening{false};
    LogThrottle m_faultLog;
    std::atomic<OpenFailure> m_eOpenFailure{OpenFailure::None};
    QString m_sInputDeviceName; // written and read by the opening thread only
};
