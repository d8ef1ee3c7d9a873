#pragma once

#include <QString>
#include <cstdint>

// The one way the link reaches a module: the real one over USB, the virtual one in this
// process, or a peer process over a Unix socket. Reads happen on the receive thread, writes
// on any thread under the link's USB write lock, presence checks and opening on the
// connection watch thread.
class Transport {
public:
    // Why the last open found the module but could not use it.
    // NotTheModule: the device has the module's ids but not its interfaces.
    enum class OpenFailure { None, PermissionDenied, Busy, NotTheModule };

    virtual ~Transport() = default;

    // Is a module attached? With checkHid, also whether its vendor HID collection is ready.
    virtual bool isPresent(bool checkHid) = 0;

    // Finds, opens and claims the module; on success serialNumber holds its serial number.
    virtual bool open(QString* serialNumber) = 0;
    // After a successful open, on the same thread: the name the desktop lists the module's
    // touch input under, printable and bounded; empty when the transport cannot know it.
    virtual QString inputDeviceName() const { return QString(); }
    // Only the USB bus can refuse a module that is there.
    virtual OpenFailure lastOpenFailure() const { return OpenFailure::None; }
    virtual bool isOpen() const = 0;
    // Has the module gone from under the open handle? It may be back already, on a handle of
    // its own that only a new open reaches.
    virtual bool isLost() = 0;
    // Is the module there but the open link no longer of use: its transfers kept failing
    // however they were retried? Only a new open mends it.
    virtual bool isBroken() { return false; }
    // From another thread, for the end of the program: an open under way gives up at its next
    // step, and later ones fail.
    virtual void stopOpening() {}
    // Releases and closes; harmless when nothing is open.
    virtual void close() = 0;

    // Writes one 512-byte packet to endpoint 0x03. Bytes written, or -1 when nothing is open.
    virtual int write(const uint8_t* packet) = 0;

    // Reads one 512-byte packet from endpoint 0x83 or 0x84 within timeoutMs.
    // Bytes read, or a negative value on time-out or failure.
    virtual int read(uint8_t endpoint, uint8_t* packet, int timeoutMs) = 0;
};
