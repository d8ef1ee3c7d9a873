#include "sim/VirtualModule.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>
#include <cstring>

namespace {

// How long the module sleeps at most while work is promised. The SimClock may be a clock a
// test moves by hand, which no wait can follow, so the module looks again this often.
constexpr std::chrono::milliseconds kWorkPoll(5);

} // namespace

VirtualModule::VirtualModule(const SimProfile& profile, SimClock clock)
    : m_profile(profile), m_clock(std::move(clock)), m_table(makeCommandTable()),
      m_state(initialModuleState(profile)), m_thread(&VirtualModule::run, this) {}

VirtualModule::~VirtualModule() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_received.notify_all();
    m_thread.join();
}

void VirtualModule::receive(const uint8_t* packet) {
    Packet p;
    std::memcpy(p.data(), packet, p.size());
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inbound.push_back(p);
    }
    m_received.notify_one();
}

int VirtualModule::take(uint8_t endpoint, uint8_t* packet, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(m_mutex);
    std::deque<Packet>& queue = m_output.queue(endpoint);
    if (!m_sent.wait_for(lock, wait, [&] { return !queue.empty(); }))
        return -1;
    std::memcpy(packet, queue.front().data(), queue.front().size());
    queue.pop_front();
    return pkt::kPacketSize;
}

void VirtualModule::powerUp() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inbound.clear();
    m_output.clear();
    m_work.clear();
    m_state.session = SessionState{};
}

void VirtualModule::setSceneSource(std::shared_ptr<SceneSource> scene) {
    m_camera.setScene(std::move(scene));
}

void VirtualModule::setDesk(std::shared_ptr<ModuleDesk> desk) {
    std::lock_guard<std::mutex> lock(m_deskMutex);
    m_desk = std::move(desk);
}

std::shared_ptr<ModuleDesk> VirtualModule::desk() {
    std::lock_guard<std::mutex> lock(m_deskMutex);
    return m_desk;
}

int64_t VirtualModule::pulledAtMs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.faults.pulledAtMs;
}

ModuleState VirtualModule::state() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_inbound.empty(); });
    return m_state;
}

void VirtualModule::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto ready = [this] { return m_stopping || !m_inbound.empty(); };
    for (;;) {
        const int64_t due = m_work.nextDue();
        if (due == DelayedWork::kNone) {
            m_received.wait(lock, ready);
        } else {
            const int64_t left = due - m_clock();
            if (left > 0)
                m_received.wait_for(lock, std::min(kWorkPoll, std::chrono::milliseconds(left)),
                                    ready);
        }
        if (m_stopping)
            return;
        const int64_t now = m_clock();
        runDueWork(now);
        if (!m_inbound.empty()) {
            const Packet packet = m_inbound.front();
            m_inbound.pop_front();
            handle(packet, now);
        }
        m_sent.notify_all();
        if (m_inbound.empty())
            m_idle.notify_all();
    }
}

void VirtualModule::runDueWork(int64_t nowMs) {
    const std::shared_ptr<ModuleDesk> desk = this->desk();
    while (DelayedWork::Task task = m_work.takeDue(nowMs)) {
        ModuleContext context{m_state, m_output, m_profile, m_camera, m_work, nowMs, desk.get()};
        task(context);
    }
}

// Runs with the lock held, so neither a power cycle nor a reader sees half an answer.
void VirtualModule::handle(const Packet& packet, int64_t nowMs) {
    const InPacket in(packet);
    const auto it = m_table.find(in.code());
    if (it == m_table.end() || m_profile.refuseCodes.count(in.code()) > 0) {
        qCDebug(lcSim).noquote() << "VirtualModule: refused code 0x" +
                                        QString::number(in.code(), 16).toUpper();
        m_output.nak(in.code());
        return;
    }
    const std::shared_ptr<ModuleDesk> desk = this->desk();
    ModuleContext context{m_state, m_output, m_profile, m_camera, m_work, nowMs, desk.get()};
    it->second(in, context);
}
