#pragma once

#include "device/Packet.h"
#include "sim/SimTransport.h"
#include "sim/desktop/DeskSight.h"
#include "sim/desktop/DesktopDesk.h"
#include "sim/desktop/DesktopScene.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>

// A virtual module on this desktop, opened, with its answers collected as they come.
struct DeskFixture {
    explicit DeskFixture(const SimProfile& p)
        : profile(p), transport(p), scene(std::make_shared<DesktopScene>(p)),
          sight(std::make_shared<DeskSight>(p)), desk(scene, sight) {
        transport.setSceneSource(scene);
        transport.module().setDesk(sight);
        transport.open(nullptr);
    }

    bool send(uint32_t code, std::initializer_list<uint32_t> values = {}) {
        Packet p{};
        le::put32(p.data(), 0, code);
        le::put32(p.data(), 4, uint32_t(4 * values.size()));
        size_t off = pkt::kHeaderSize;
        for (uint32_t v : values) {
            le::put32(p.data(), off, v);
            off += 4;
        }
        return transport.write(p.data()) == pkt::kPacketSize;
    }

    // The next answer on the command endpoint, keeping the user interface running while
    // waiting; false after timeoutMs without one.
    bool next(Packet* answer, int timeoutMs = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (transport.read(pkt::kEpCommand, answer->data(), 5) == pkt::kPacketSize)
                return true;
            QCoreApplication::processEvents();
        }
        return false;
    }

    // Skips acknowledgements up to the next answer with another code.
    uint32_t nextCode(Packet* answer, int timeoutMs = 5000) {
        while (next(answer, timeoutMs)) {
            const uint32_t code = le::u32(answer->data(), 0);
            if (code != pkt::RES_ACK)
                return code;
        }
        return 0;
    }

    SimProfile profile;
    SimTransport transport;
    std::shared_ptr<DesktopScene> scene;
    std::shared_ptr<DeskSight> sight;
    DesktopDesk desk;
};
