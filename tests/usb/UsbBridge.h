#pragma once

#include "tests/usb/EmulatedModule.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

// A USB bus of emulated camera modules for tests: a umockdev testbed in this process (which
// must run under umockdev-wrapper; see reexecUnderUmockdev) whose devices libusb and hidapi
// find, open and talk to as if they were plugged in. Every process started from here after
// construction sees the same bus.
class UsbBridge {
public:
    UsbBridge();
    ~UsbBridge();
    UsbBridge(const UsbBridge&) = delete;
    UsbBridge& operator=(const UsbBridge&) = delete;

    // Plugs in a module answered by peer (not owned; may be null) and returns its number.
    int addModule(const EmulatedModuleSpec& spec, Transport* peer, QString* error);
    void unplug(int module);
    bool replug(int module, QString* error);
    void setFault(int module, const UsbFault& fault);

    EmulatedModule::Counters counters(int module);
    QByteArray lastPacket(int module, uint32_t code);
    // Everything the modules saw, oldest first: "plugged SERIAL", "claim 2", "release 3",
    // "out 0x1110", "unplugged SERIAL"; also written to the sink if one is set.
    QStringList events();
    void setEventSink(EmulatedModule::EventSink sink);

private:
    void note(int module, const QString& event);

    UMockdevTestbed* m_testbed = nullptr;
    std::vector<std::shared_ptr<EmulatedModule>> m_modules;
    std::mutex m_eventLock;
    QStringList m_events;
    EmulatedModule::EventSink m_sink;
};

// Runs this program again under umockdev-wrapper unless it already runs under it, so that a
// test or the bridge works when started directly. Returns only when no re-run was needed.
void reexecUnderUmockdev(char** argv);
