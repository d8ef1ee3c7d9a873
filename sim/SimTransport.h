#pragma once

#include "device/Transport.h"
#include "sim/PlugSchedule.h"
#include "sim/SimClock.h"
#include "sim/SimProfile.h"
#include "sim/VirtualModule.h"

#include <QObject>
#include <QPointer>
#include <atomic>

// The virtual module behind the transport seam. It behaves like the USB device: nothing
// works while it is unplugged or not opened, a handle opened before an unplug stays stale
// until the next open, and opening after a replug finds a freshly powered module.
class SimTransport : public Transport {
public:
    static constexpr int kFailed = -1;
    static constexpr int kTimedOut = -2;

    explicit SimTransport(const SimProfile& profile, SimClock clock = steadySimClock());
    ~SimTransport() override;

    bool isPresent(bool checkHid) override;
    bool open(QString* serialNumber) override;
    QString inputDeviceName() const override { return QStringLiteral("Virtual camera module"); }
    bool isOpen() const override;
    bool isLost() override;
    void close() override;
    int write(const uint8_t* packet) override;
    // A time-out of 0 or less polls once.
    int read(uint8_t endpoint, uint8_t* packet, int timeoutMs) override;

    VirtualModule& module() { return m_module; }
    // What the module's camera sees; see VirtualModule::setSceneSource.
    void setSceneSource(std::shared_ptr<SceneSource> scene) {
        m_module.setSceneSource(std::move(scene));
    }
    // An object that plays the module's surroundings and must go with it, or it would go on
    // watching the windows of whatever comes next. Deleted with the transport, in the thread
    // that deletes the transport.
    void setCompanion(QObject* companion) { m_companion = companion; }

private:
    // Is the handle from the last open still attached to the module?
    bool linkAlive(int64_t nowMs);
    // Is the module out because an injected fault pulled its plug?
    bool pulledOut(int64_t nowMs);

    const SimProfile m_profile;
    const SimClock m_clock;
    const PlugSchedule m_schedule;
    VirtualModule m_module;
    std::atomic<bool> m_open{false};
    // The plug the open handle belongs to, and the plug the module last powered up with.
    std::atomic<int64_t> m_openedPlug{-1};
    int64_t m_poweredPlug = -1;
    // The fault unplug (its time, or -1) that the open handle and the powered module came
    // after.
    std::atomic<int64_t> m_openedPull{-1};
    int64_t m_poweredPull = -1;
    QPointer<QObject> m_companion;
};
