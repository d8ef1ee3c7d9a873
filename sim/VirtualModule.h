#pragma once

#include "sim/CommandTable.h"
#include "sim/DelayedWork.h"
#include "sim/ModuleCamera.h"
#include "sim/ModulePacket.h"
#include "sim/ModuleState.h"
#include "sim/SimClock.h"
#include "sim/SimProfile.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class ModuleDesk;
class SceneSource;

// The firmware stand-in. Packets written by the utility are queued and handled in order on
// the module's own thread, and so is the work it promised for later (a capture's end after
// its exposure time, on the SimClock); answers wait in the queue of their IN endpoint until
// read.
class VirtualModule {
public:
    explicit VirtualModule(const SimProfile& profile, SimClock clock = steadySimClock());
    ~VirtualModule();
    VirtualModule(const VirtualModule&) = delete;
    VirtualModule& operator=(const VirtualModule&) = delete;

    // One 512-byte packet from endpoint 0x03.
    void receive(const uint8_t* packet);
    // Takes the oldest packet of endpoint 0x83 or 0x84, waiting up to wait for one.
    // Returns 512, or -1 when none came.
    int take(uint8_t endpoint, uint8_t* packet, std::chrono::milliseconds wait);
    // Power cycle: everything in flight, promised work and the session state are lost, the
    // stored state stays.
    void powerUp();

    // What the camera sees from now on, from any thread; nullptr puts the test card back.
    void setSceneSource(std::shared_ptr<SceneSource> scene);

    // What the pen and the touch output reach from now on, from any thread; nullptr: nothing.
    void setDesk(std::shared_ptr<ModuleDesk> desk);
    // When an injected fault pulled the module's plug; negative while none did.
    int64_t pulledAtMs();

    // A copy of the state once every packet received so far has been handled.
    ModuleState state();

private:
    void run();
    void handle(const Packet& packet, int64_t nowMs);
    void runDueWork(int64_t nowMs);
    std::shared_ptr<ModuleDesk> desk();

    const SimProfile m_profile;
    const SimClock m_clock;
    const CommandTable m_table;
    ModuleCamera m_camera;
    std::mutex m_deskMutex;
    std::shared_ptr<ModuleDesk> m_desk;
    std::mutex m_mutex;
    std::condition_variable m_received;
    std::condition_variable m_sent;
    std::condition_variable m_idle;
    std::deque<Packet> m_inbound;
    bool m_stopping = false;
    ModuleOutput m_output;
    ModuleState m_state;
    DelayedWork m_work;
    std::thread m_thread;
};
