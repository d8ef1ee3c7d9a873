#pragma once

#include "sim/CommandTable.h"
#include "sim/ModulePacket.h"
#include "sim/ModuleState.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

struct SimProfile;

// The firmware stand-in. Packets written by the utility are queued and handled in order on
// the module's own thread; answers wait in the queue of their IN endpoint until read.
class VirtualModule {
public:
    explicit VirtualModule(const SimProfile& profile);
    ~VirtualModule();
    VirtualModule(const VirtualModule&) = delete;
    VirtualModule& operator=(const VirtualModule&) = delete;

    // One 512-byte packet from endpoint 0x03.
    void receive(const uint8_t* packet);
    // Takes the oldest packet of endpoint 0x83 or 0x84, waiting up to wait for one.
    // Returns 512, or -1 when none came.
    int take(uint8_t endpoint, uint8_t* packet, std::chrono::milliseconds wait);
    // Power cycle: everything in flight and the session state are lost, the stored state stays.
    void powerUp();

    // A copy of the state once every packet received so far has been handled.
    ModuleState state();

private:
    void run();
    void handle(const Packet& packet);

    const CommandTable m_table;
    std::mutex m_mutex;
    std::condition_variable m_received;
    std::condition_variable m_sent;
    std::condition_variable m_idle;
    std::deque<Packet> m_inbound;
    bool m_stopping = false;
    ModuleOutput m_output;
    ModuleState m_state;
    std::thread m_thread;
};
