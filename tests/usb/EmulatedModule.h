#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

class Transport;
typedef struct _GMainContext GMainContext;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;
typedef struct _UMockdevTestbed UMockdevTestbed;

// What kind of module is plugged in.
struct EmulatedModuleSpec {
    QString serialNumber = QStringLiteral("SIM0000001");
    // Its product string descriptor, bytes as the module sends them.
    QByteArray product = QByteArrayLiteral("Camera Module");
    // Its vendor HID collection has enumerated (a hidraw node with usage page 0xFF00).
    bool hidReady = true;
    // Another program holds interface 2: claiming it fails with EBUSY.
    bool interface2Busy = false;
    // A device with the module's ids but without its interface 3.
    bool interface3Missing = false;
};

// A misbehaviour of the emulated module's USB side, switched on and off while it runs.
struct UsbFault {
    enum Kind {
        None,
        // One STALL on the endpoint: it stays halted until a CLEAR_HALT, as real hardware does.
        StallOnce,
        // Every IN transfer ends with this errno (EPIPE, EOVERFLOW), whatever is cleared.
        InError,
        // Every IN transfer brings this many bytes (0 or a short packet) instead of a packet.
        InLength,
        // A share of the OUT transfers fail with EIO, at most a number of times.
        OutIo,
        // Control transfers (the string descriptor reads) are never answered.
        ControlSilent,
        // Every bulk transfer is refused with ENODEV, while the device stays on the bus.
        BulkGone,
        // Every transfer on 0x83 brings a packet with this code (a report, its length 4, its
        // value 3) instead of the module's answers.
        Flood,
    };
    Kind kind = None;
    int value = 0;         // StallOnce: the endpoint; InError: the errno; InLength: bytes
    double fraction = 1.0; // OutIo
    unsigned seed = 1;     // OutIo
    int limit = -1;        // OutIo: failures at most, -1 without end

    // "stall:0x83", "in-error:EPIPE", "in-error:EOVERFLOW", "in-length:N",
    // "out-eio:FRACTION:SEED[:LIMIT]", "control-silent", "bulk-gone", "flood:0x1109",
    // "none".
    static bool parse(const QString& text, UsbFault* fault);
};

// One module on the emulated bus: its sysfs entries and usbfs node on a umockdev testbed, and
// the answers to the usbfs requests of whoever opens it. Bulk packets to 0x03 go to the peer
// transport (the virtual module's firmware); what the peer answers on 0x83 and 0x84 fills the
// IN transfers submitted there. Requests are answered on umockdev's worker thread; a thread per
// IN endpoint waits on the peer.
class EmulatedModule : public std::enable_shared_from_this<EmulatedModule> {
public:
    struct Counters {
        int submits = 0;
        int reaps = 0;
        int emptyReaps = 0;
        // Transfers submitted after interface 3 was released: a thread still reading.
        int submitsAfterRelease = 0;
        // Releases of interface 3 while a transfer was still in flight on it: the handle was
        // closed under a thread that was reading.
        int releasesInFlight = 0;
    };
    using EventSink = std::function<void(const QString&)>;

    // index: the module's place on the bus (0, 1, ...). peer may be null: nothing answers.
    EmulatedModule(UMockdevTestbed* testbed, int index, EmulatedModuleSpec spec, Transport* peer,
                   EventSink events);
    ~EmulatedModule();
    EmulatedModule(const EmulatedModule&) = delete;
    EmulatedModule& operator=(const EmulatedModule&) = delete;

    // Adds the device to the bus, or takes it away as a pulled cable does: a uevent, the sysfs
    // entries gone, every pending and later transfer failing with ENODEV.
    bool plug(QString* error);
    void unplug();
    void setFault(const UsbFault& fault);

    Counters counters();
    // The last packet written to 0x03 with this command code; empty if none was.
    QByteArray lastPacket(uint32_t code);

private:
    struct Urb {
        UMockdevIoctlData* urb = nullptr;    // the client's usbdevfs_urb, resolved
        UMockdevIoctlData* buffer = nullptr; // its data buffer, a child of urb
    };
    struct Waiter {
        uint64_t id;
        UMockdevIoctlClient* client;
    };
    // One stay on the bus. A replugged device gets a new device number, as with the kernel,
    // so handles opened before the unplug keep reaching the old node and keep failing.
    struct Plug {
        QString devnode;
        bool present = true;
        bool released3 = false;
        std::array<std::deque<Urb>, 2> pendingIn; // 0x83, 0x84
        std::deque<Urb> pendingControl;           // never answered (UsbFault::ControlSilent)
        std::deque<Urb> done;
        std::deque<Waiter> waiters;
    };

    static int onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    bool handle(UMockdevIoctlClient* client);
    Plug* plugOf(UMockdevIoctlClient* client);
    void claimOrRelease(UMockdevIoctlClient* client, bool claim);
    bool submit(UMockdevIoctlClient* client, Urb urb, int* error);
    void reap(UMockdevIoctlClient* client);
    void discard(UMockdevIoctlClient* client);
    int control(const uint8_t* setup, uint8_t* data, int room);
    // Under m_mutex: what the fault makes of an IN transfer submitted now; false when it
    // takes its packet from the peer as usual.
    bool faultIn(unsigned char endpoint, uint8_t* data, int* status, int* length);
    bool faultOut();
    void giveUrb(UMockdevIoctlClient* client, Urb urb);
    // Gives finished transfers to reaps waiting for one, on the worker thread.
    void serveWaiters();
    void expireWaiter(uint64_t id);
    void scheduleServe();
    void matchIn(int slot);
    void pump(int slot);
    void note(const QString& event);
    void removeDanglingLinks();
    int devnum() const;
    QString devnode() const;
    QString record() const;
    QString sysPath() const;

    UMockdevTestbed* const m_testbed;
    const int m_index;
    const EmulatedModuleSpec m_spec;
    Transport* const m_peer;
    const EventSink m_events;
    UMockdevIoctlBase* m_handler = nullptr;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    GMainContext* m_worker = nullptr;
    bool m_stopping = false;
    int m_plugCount = 0;
    std::map<QString, std::unique_ptr<Plug>> m_plugs;
    Plug* m_current = nullptr;
    std::array<std::deque<std::array<uint8_t, 512>>, 2> m_held;
    uint64_t m_nextWaiter = 1;
    Counters m_counters;
    std::map<uint32_t, QByteArray> m_lastOut;
    UsbFault m_fault;
    std::array<bool, 2> m_halted{};
    std::minstd_rand m_random;
    int m_nOutFailures = 0;
    std::thread m_pumps[2];
};
