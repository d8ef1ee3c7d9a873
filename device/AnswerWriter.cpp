#include "device/AnswerWriter.h"

#include "device/ByteOrder.h"

#include <algorithm>

AnswerWriter::AnswerWriter(Write write) : m_write(std::move(write)) {
    m_thread = std::thread([this] { run(); });
}

AnswerWriter::~AnswerWriter() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bStop = true;
        m_waiting.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void AnswerWriter::post(const Packet& packet) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const uint32_t code = le::u32(packet.data(), 0);
        const auto same = std::find_if(m_waiting.begin(), m_waiting.end(), [code](const Packet& p) {
            return le::u32(p.data(), 0) == code;
        });
        if (same != m_waiting.end())
            *same = packet;
        else
            m_waiting.push_back(packet);
    }
    m_wake.notify_all();
}

void AnswerWriter::flush() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_idle.wait(lock, [this] { return m_bStop || (m_waiting.empty() && !m_bWriting); });
}

void AnswerWriter::run() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_bStop) {
        if (m_waiting.empty()) {
            m_idle.notify_all();
            m_wake.wait(lock);
            continue;
        }
        const uint32_t code = le::u32(m_waiting.front().data(), 0);
        const auto last = m_lastWritten.find(code);
        if (last != m_lastWritten.end()) {
            const auto due = last->second + kSpacing;
            if (std::chrono::steady_clock::now() < due) {
                m_wake.wait_until(lock, due);
                continue;
            }
        }
        const Packet packet = m_waiting.front();
        m_waiting.pop_front();
        m_bWriting = true;
        lock.unlock();
        m_write(packet);
        lock.lock();
        m_bWriting = false;
        m_lastWritten[code] = std::chrono::steady_clock::now();
    }
    m_idle.notify_all();
}
