#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

// Writes the link's answers to the module's reports on a thread of its own, so that a module
// flooding the link with reports never makes the user-interface thread wait on USB writes.
// Answers are written in the order posted; an answer waiting to be written is replaced by a
// newer one of the same command, and answers of one command go out at most every kSpacing,
// so a flood makes the link send no more than a few packets a second.
class AnswerWriter {
public:
    using Packet = std::array<uint8_t, 512>;
    using Write = std::function<void(const Packet&)>;
    static constexpr std::chrono::milliseconds kSpacing{50};

    explicit AnswerWriter(Write write);
    // Drops what still waits.
    ~AnswerWriter();
    AnswerWriter(const AnswerWriter&) = delete;
    AnswerWriter& operator=(const AnswerWriter&) = delete;

    // Any thread.
    void post(const Packet& packet);
    // Returns once nothing waits, so that a packet written next goes out after every answer
    // posted before it.
    void flush();

private:
    void run();

    const Write m_write;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Packet> m_waiting;
    bool m_bWriting = false;
    bool m_bStop = false;
    std::map<uint32_t, std::chrono::steady_clock::time_point> m_lastWritten;
    std::thread m_thread;
};
