#include "sim/SimTransport.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>
#include <chrono>

SimTransport::SimTransport(const SimProfile& profile, SimClock clock)
    : m_profile(profile), m_clock(std::move(clock)), m_schedule(profile),
      m_module(profile, m_clock) {}

SimTransport::~SimTransport() {
    delete m_companion;
}

bool SimTransport::isPresent(bool checkHid) {
    const int64_t now = m_clock();
    const int64_t since = m_schedule.pluggedSince(now);
    if (since < 0 || pulledOut(now))
        return false;
    return !checkHid || now - since >= m_profile.hidReadyDelayMs;
}

bool SimTransport::open(QString* serialNumber) {
    const int64_t now = m_clock();
    const int64_t plug = m_schedule.pluggedSince(now);
    if (plug < 0 || pulledOut(now))
        return false;
    // The module that was there at start-up counts as powered by the first plug it sees.
    const int64_t pull = m_module.pulledAtMs();
    if ((m_poweredPlug >= 0 && m_poweredPlug != plug) || m_poweredPull != pull)
        m_module.powerUp();
    m_poweredPlug = plug;
    m_poweredPull = pull;
    m_openedPlug = plug;
    m_openedPull = pull;
    m_open = true;
    if (serialNumber)
        *serialNumber = m_profile.serialNumber;
    qCDebug(lcSim).noquote() << "SimTransport: opened" << m_profile.serialNumber;
    return true;
}

bool SimTransport::isOpen() const {
    return m_open;
}

bool SimTransport::isLost() {
    return m_open && !linkAlive(m_clock());
}

void SimTransport::close() {
    m_open = false;
}

bool SimTransport::linkAlive(int64_t nowMs) {
    return m_open && m_schedule.pluggedSince(nowMs) == m_openedPlug &&
           m_module.pulledAtMs() == m_openedPull;
}

bool SimTransport::pulledOut(int64_t nowMs) {
    const int64_t at = m_module.pulledAtMs();
    return at >= 0 && (m_profile.unplugForMs < 0 || nowMs < at + m_profile.unplugForMs);
}

int SimTransport::write(const uint8_t* packet) {
    if (!linkAlive(m_clock()))
        return kFailed;
    m_module.receive(packet);
    return pkt::kPacketSize;
}

int SimTransport::read(uint8_t endpoint, uint8_t* packet, int timeoutMs) {
    using namespace std::chrono;
    if (endpoint != pkt::kEpCommand && endpoint != pkt::kEpImage)
        return kFailed;
    const auto deadline = steady_clock::now() + milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        const int64_t now = m_clock();
        if (!linkAlive(now))
            return kFailed;
        // Wake at the next plug change, so an unplug fails a waiting read as the device would.
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        const int64_t toChange = m_schedule.nextChangeAfter(now) - now;
        const auto wait = std::max(milliseconds(0), std::min(left, milliseconds(toChange)));
        if (m_module.take(endpoint, packet, wait) > 0)
            return pkt::kPacketSize;
        if (steady_clock::now() >= deadline)
            return linkAlive(m_clock()) ? kTimedOut : kFailed;
    }
}
