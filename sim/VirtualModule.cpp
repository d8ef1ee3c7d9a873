#include "sim/VirtualModule.h"

#include "sim/SimProfile.h"

#include <QDebug>
#include <cstring>

VirtualModule::VirtualModule(const SimProfile& profile)
    : m_table(makeCommandTable()), m_state(initialModuleState(profile)),
      m_thread(&VirtualModule::run, this) {}

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
    m_state.session = SessionState{};
}

ModuleState VirtualModule::state() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_inbound.empty(); });
    return m_state;
}

void VirtualModule::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_received.wait(lock, [this] { return m_stopping || !m_inbound.empty(); });
        if (m_stopping)
            return;
        const Packet packet = m_inbound.front();
        m_inbound.pop_front();
        handle(packet);
        m_sent.notify_all();
        if (m_inbound.empty())
            m_idle.notify_all();
    }
}

// Runs with the lock held, so neither a power cycle nor a reader sees half an answer.
void VirtualModule::handle(const Packet& packet) {
    const InPacket in(packet);
    const auto it = m_table.find(in.code());
    if (it == m_table.end()) {
        qDebug().noquote() << "VirtualModule: refused code 0x" +
                                  QString::number(in.code(), 16).toUpper();
        m_output.nak(in.code());
        return;
    }
    it->second(in, m_state, m_output);
}
