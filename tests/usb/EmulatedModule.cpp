#include "tests/usb/EmulatedModule.h"

#include "device/ByteOrder.h"
#include "device/Packet.h"
#include "device/Transport.h"
#include "sim/SimTransport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

namespace {

// A reap that finds nothing finished while a transfer is in flight waits this long for one
// before answering "nothing to reap". The emulated device file always polls writable, so
// libusb's event loop would otherwise ask thousands of times a second while a read waits.
constexpr guint kReapWaitMs = 5;
// How long a pump thread waits on the peer before looking at the bus again.
constexpr int kPumpWaitMs = 20;
constexpr int kPacket = pkt::kPacketSize;

// The device descriptor and its one configuration: interface 0 the vendor HID collection,
// 1 without endpoints, 2 bulk OUT 0x03, 3 bulk IN 0x83 and 0x84.
const uint8_t kReportDescriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                     0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
                                     0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
const uint8_t kDescriptors[] = {
    18,   1,    0x00, 0x02, 0,    0,    0,    64,   0xD0, 0x16, 0x8C,
    0x0F, 0x00, 0x01, 1,    2,    3,    1,    9,    2,    82,   0,
    4,    1,    0,    0x80, 250,  9,    4,    0,    0,    1,    3,
    0,    0,    0,    9,    0x21, 0x11, 0x01, 0,    1,    0x22, sizeof(kReportDescriptor),
    0,    7,    5,    0x81, 3,    64,   0,    1,    9,    4,    1,
    0,    0,    0xFF, 0,    0,    0,    9,    4,    2,    0,    1,
    0xFF, 0,    0,    0,    7,    5,    0x03, 2,    0x00, 0x02, 0,
    9,    4,    3,    0,    2,    0xFF, 0,    0,    0,    7,    5,
    0x83, 2,    0x00, 0x02, 0,    7,    5,    0x84, 2,    0x00, 0x02,
    0,
};
static_assert(sizeof(kDescriptors) == 18 + 82, "configuration length");

const char kManufacturer[] = "Emulated";
const char kProduct[] = "Camera Module";

QString hex(const uint8_t* bytes, size_t size) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes), int(size)).toHex());
}

usbdevfs_urb* header(UMockdevIoctlData* urb) {
    return reinterpret_cast<usbdevfs_urb*>(urb->data);
}

int slotOf(unsigned char endpoint) {
    return endpoint == pkt::kEpImage ? 1 : 0;
}

GMainContext* workerContext() {
    GMainContext* context = g_main_context_get_thread_default();
    return context ? context : g_main_context_default();
}

// Keeps the module alive while a callback on umockdev's worker thread is pending.
struct Pending {
    std::shared_ptr<EmulatedModule> module;
    uint64_t waiter = 0;
};

} // namespace

bool UsbFault::parse(const QString& text, UsbFault* fault) {
    const QStringList part = text.split(QLatin1Char(':'));
    UsbFault f;
    bool ok = true;
    if (part[0] == QLatin1String("stall") && part.size() == 2) {
        f.kind = StallOnce;
        f.value = part[1].toInt(&ok, 16);
    } else if (part[0] == QLatin1String("in-error") && part.size() == 2) {
        f.kind = InError;
        f.value = part[1] == QLatin1String("EPIPE") ? EPIPE : EOVERFLOW;
    } else if (part[0] == QLatin1String("in-length") && part.size() == 2) {
        f.kind = InLength;
        f.value = part[1].toInt(&ok);
    } else if (part[0] == QLatin1String("out-eio") && part.size() >= 3) {
        f.kind = OutIo;
        f.fraction = part[1].toDouble(&ok);
        f.seed = part[2].toUInt();
        f.limit = part.size() > 3 ? part[3].toInt() : -1;
    } else if (part[0] == QLatin1String("flood") && part.size() == 2) {
        f.kind = Flood;
        f.value = part[1].toInt(&ok, 16);
    } else if (part[0] == QLatin1String("bulk-gone")) {
        f.kind = BulkGone;
    } else if (part[0] == QLatin1String("control-silent")) {
        f.kind = ControlSilent;
    } else if (part[0] != QLatin1String("none")) {
        ok = false;
    }
    if (ok)
        *fault = f;
    return ok;
}

EmulatedModule::EmulatedModule(UMockdevTestbed* testbed, int index, EmulatedModuleSpec spec,
                               Transport* peer, EventSink events)
    : m_testbed(testbed), m_index(index), m_spec(std::move(spec)), m_peer(peer),
      m_events(std::move(events)) {
    m_handler = umockdev_ioctl_base_new();
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(onIoctl), this);
    for (int slot = 0; slot < 2; ++slot)
        m_pumps[slot] = std::thread([this, slot] { pump(slot); });
}

EmulatedModule::~EmulatedModule() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& pump : m_pumps)
        pump.join();
    for (auto& entry : m_plugs) {
        umockdev_testbed_detach_ioctl(m_testbed, qPrintable(entry.first), nullptr);
        Plug& plug = *entry.second;
        for (auto& queue : plug.pendingIn)
            for (Urb& urb : queue)
                g_object_unref(urb.urb);
        for (Urb& urb : plug.done)
            g_object_unref(urb.urb);
        for (Urb& urb : plug.pendingControl)
            g_object_unref(urb.urb);
        for (Waiter& waiter : plug.waiters)
            g_object_unref(waiter.client);
    }
    g_signal_handlers_disconnect_by_data(m_handler, this);
    g_object_unref(m_handler);
    if (m_worker)
        g_main_context_unref(m_worker);
}

int EmulatedModule::devnum() const {
    return 2 + m_index + 4 * ((m_plugCount - 1) % 30);
}

QString EmulatedModule::devnode() const {
    return QString::asprintf("/dev/bus/usb/001/%03d", devnum());
}

QString EmulatedModule::sysPath() const {
    return QString::asprintf("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%d", m_index + 1);
}

QString EmulatedModule::record() const {
    const QString usb = sysPath().mid(4);
    const QString hid = QString::asprintf("%s/1-%d:1.0/0003:16D0:0F8C.%04X", qPrintable(usb),
                                          m_index + 1, m_index + 1);
    const QString serial = m_spec.serialNumber;
    const int number = devnum();
    QString text = QString::asprintf(
        "P: %s\nN: bus/usb/001/%03d\n"
        "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
        "E: DEVNAME=/dev/bus/usb/001/%03d\nE: BUSNUM=001\nE: DEVNUM=%03d\nE: PRODUCT=16d0/f8c/100\n"
        "A: idVendor=16d0\\n\nA: idProduct=0f8c\\n\nA: busnum=1\\n\nA: devnum=%d\\n\n"
        "A: speed=480\\n\nA: bConfigurationValue=1\\n\nA: serial=%s\\n\n"
        "A: manufacturer=%s\\n\nA: product=%s\\n\nH: descriptors=%s\n\n"
        "P: %s/1-%d:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=3/0/0\n"
        "A: bInterfaceNumber=00\\n\nA: bInterfaceClass=03\\n\n\n",
        qPrintable(usb), number, number, number, number, qPrintable(serial), kManufacturer,
        kProduct, qPrintable(hex(kDescriptors, sizeof(kDescriptors))), qPrintable(usb),
        m_index + 1);
    if (!m_spec.hidReady)
        return text;
    // hidapi reads the report descriptor through the hidraw node's "device" link.
    text += QString::asprintf(
        "P: %s\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=0003:000016D0:00000F8C\n"
        "E: HID_NAME=%s %s\nE: HID_PHYS=usb-0000:00:14.0-%d/input0\nE: HID_UNIQ=%s\n"
        "H: report_descriptor=%s\n\n"
        "P: %s/hidraw/hidraw%d\nN: hidraw%d\nL: device=../../../0003:16D0:0F8C.%04X\n"
        "E: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/hidraw%d\n",
        qPrintable(hid), kManufacturer, kProduct, m_index + 1, qPrintable(serial),
        qPrintable(hex(kReportDescriptor, sizeof(kReportDescriptor))), qPrintable(hid), number,
        number, m_index + 1, number);
    return text;
}

bool EmulatedModule::plug(QString* error) {
    QString node;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_plugCount;
        node = devnode();
        if (m_plugs.count(node)) {
            *error = QStringLiteral("%1 plugged in too often").arg(m_spec.serialNumber);
            return false;
        }
    }
    GError* gerror = nullptr;
    // The handler goes on before the node exists, or the node's first opener misses it.
    if (!umockdev_testbed_attach_ioctl(m_testbed, qPrintable(node), m_handler, &gerror) ||
        !umockdev_testbed_add_from_string(m_testbed, qPrintable(record()), &gerror)) {
        *error = QString::fromUtf8(gerror->message);
        g_clear_error(&gerror);
        return false;
    }
    umockdev_testbed_uevent(m_testbed, qPrintable(sysPath()), "add");
    if (m_peer) {
        // A module plugged in again starts from power-up, as the real one does.
        if (auto* sim = dynamic_cast<SimTransport*>(m_peer); sim && m_plugCount > 1)
            sim->module().powerUp();
        QString serial;
        m_peer->open(&serial);
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto plug = std::make_unique<Plug>();
        plug->devnode = node;
        m_current = plug.get();
        m_plugs[node] = std::move(plug);
        for (auto& held : m_held)
            held.clear();
    }
    m_wake.notify_all();
    note(QStringLiteral("plugged %1").arg(m_spec.serialNumber));
    return true;
}

void EmulatedModule::setFault(const UsbFault& fault) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fault = fault;
        m_random.seed(fault.seed);
        m_nOutFailures = 0;
        m_halted = {};
        // The stall hits the transfer waiting on the endpoint now, if there is one.
        if (fault.kind == UsbFault::StallOnce && m_current) {
            const int slot = slotOf(uint8_t(fault.value));
            m_halted[size_t(slot)] = true;
            for (Urb& urb : m_current->pendingIn[size_t(slot)]) {
                header(urb.urb)->status = -EPIPE;
                header(urb.urb)->actual_length = 0;
                m_current->done.push_back(urb);
            }
            m_current->pendingIn[size_t(slot)].clear();
        }
    }
    note(QStringLiteral("fault %1").arg(int(fault.kind)));
    scheduleServe();
}

bool EmulatedModule::faultIn(unsigned char endpoint, uint8_t* data, int* status, int* length) {
    const int slot = slotOf(endpoint);
    *length = 0;
    if (m_halted[size_t(slot)]) {
        *status = -EPIPE;
        return true;
    }
    if (m_fault.kind == UsbFault::InError) {
        *status = -m_fault.value;
        return true;
    }
    if (m_fault.kind == UsbFault::InLength) {
        *status = 0;
        *length = m_fault.value;
        return true;
    }
    if (m_fault.kind == UsbFault::Flood && endpoint == pkt::kEpCommand) {
        std::memset(data, 0, kPacket);
        le::put32(data, 0, uint32_t(m_fault.value));
        le::put32(data, 4, 4);
        le::put32(data, 8, 3);
        *status = 0;
        *length = kPacket;
        return true;
    }
    return false;
}

bool EmulatedModule::faultOut() {
    if (m_fault.kind != UsbFault::OutIo || m_nOutFailures == m_fault.limit)
        return false;
    if (std::uniform_real_distribution<double>(0, 1)(m_random) >= m_fault.fraction)
        return false;
    ++m_nOutFailures;
    return true;
}

void EmulatedModule::unplug() {
    // sysfs first: the uevent needs the device still there; then the transfers, as the kernel
    // ends them.
    umockdev_testbed_uevent(m_testbed, qPrintable(sysPath()), "remove");
    umockdev_testbed_remove_device(m_testbed, qPrintable(sysPath()));
    removeDanglingLinks();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_current) {
            m_current->present = false;
            for (auto& queue : m_current->pendingIn) {
                for (Urb& urb : queue) {
                    header(urb.urb)->status = -ENODEV;
                    header(urb.urb)->actual_length = 0;
                    m_current->done.push_back(urb);
                }
                queue.clear();
            }
            for (Urb& urb : m_current->pendingControl) {
                header(urb.urb)->status = -ENODEV;
                m_current->done.push_back(urb);
            }
            m_current->pendingControl.clear();
        }
        m_current = nullptr;
        for (auto& held : m_held)
            held.clear();
    }
    if (m_peer)
        m_peer->close();
    scheduleServe();
    note(QStringLiteral("unplugged %1").arg(m_spec.serialNumber));
}

// umockdev leaves the bus and class links of a removed device behind; a device plugged in at
// the same place could not be added again.
void EmulatedModule::removeDanglingLinks() {
    gchar* dir = umockdev_testbed_get_root_dir(m_testbed);
    const QString root = QString::fromUtf8(dir);
    g_free(dir);
    for (const QString& top : {root + "/sys/bus", root + "/sys/class"}) {
        QDirIterator it(top, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo entry(it.next());
            if (entry.isSymLink() && !entry.exists())
                QFile::remove(entry.filePath());
        }
    }
}

EmulatedModule::Counters EmulatedModule::counters() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counters;
}

QByteArray EmulatedModule::lastPacket(uint32_t code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_lastOut.find(code);
    return it == m_lastOut.end() ? QByteArray() : it->second;
}

void EmulatedModule::note(const QString& event) {
    if (m_events)
        m_events(event);
}

int EmulatedModule::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    return static_cast<EmulatedModule*>(self)->handle(client);
}

EmulatedModule::Plug* EmulatedModule::plugOf(UMockdevIoctlClient* client) {
    const auto it = m_plugs.find(QString::fromUtf8(umockdev_ioctl_client_get_devnode(client)));
    return it == m_plugs.end() ? nullptr : it->second.get();
}

bool EmulatedModule::handle(UMockdevIoctlClient* client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_worker)
            m_worker = g_main_context_ref(workerContext());
    }
    int error = 0;
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        const guint32 value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                              USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        std::memcpy(caps->data, &value, sizeof(value));
        g_object_unref(caps);
        break;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
        claimOrRelease(client, request == USBDEVFS_CLAIMINTERFACE);
        return true;
    case USBDEVFS_CLEAR_HALT: {
        UMockdevIoctlData* number = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        guint32 endpoint = 0;
        std::memcpy(&endpoint, number->data, sizeof(endpoint));
        g_object_unref(number);
        std::lock_guard<std::mutex> lock(m_mutex);
        const Plug* plug = plugOf(client);
        if (!plug || !plug->present) {
            error = ENODEV;
        } else if (endpoint & 0x80) {
            m_halted[size_t(slotOf(uint8_t(endpoint)))] = false;
            if (m_fault.kind == UsbFault::StallOnce)
                m_fault = UsbFault();
        }
        break;
    }
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET: {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Plug* plug = plugOf(client);
        if (!plug || !plug->present)
            error = ENODEV;
        break;
    }
    case USBDEVFS_SUBMITURB: {
        Urb urb;
        urb.urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        const int length = std::max(0, header(urb.urb)->buffer_length);
        urb.buffer = umockdev_ioctl_data_resolve(urb.urb, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                                 gsize(length), nullptr);
        g_object_unref(urb.buffer); // its parent keeps it
        if (submit(client, urb, &error))
            return true;
        g_object_unref(urb.urb);
        break;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client);
        return true;
    case USBDEVFS_DISCARDURB:
        discard(client);
        return true;
    default:
        return false;
    }
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    return true;
}

void EmulatedModule::claimOrRelease(UMockdevIoctlClient* client, bool claim) {
    UMockdevIoctlData* number = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                            0, sizeof(guint32), nullptr);
    guint32 interface = 0;
    std::memcpy(&interface, number->data, sizeof(interface));
    g_object_unref(number);
    int error = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Plug* plug = plugOf(client);
        if (!plug || !plug->present)
            error = ENODEV;
        else if (claim && interface == 2 && m_spec.interface2Busy)
            error = EBUSY;
        else if (claim && interface == 3 && m_spec.interface3Missing)
            error = ENOENT;
        if (!error && interface == 3) {
            plug->released3 = !claim;
            const bool inFlight = !plug->pendingIn[0].empty() || !plug->pendingIn[1].empty();
            if (!claim && inFlight)
                ++m_counters.releasesInFlight;
        }
    }
    note(QStringLiteral("%1 %2%3")
             .arg(claim ? "claim" : "release")
             .arg(interface)
             .arg(error == EBUSY    ? " busy"
                  : error == ENOENT ? " missing"
                  : error           ? " gone"
                                    : ""));
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
}

bool EmulatedModule::submit(UMockdevIoctlClient* client, Urb urb, int* error) {
    usbdevfs_urb* h = header(urb.urb);
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_counters.submits;
    Plug* plug = plugOf(client);
    if (!plug || !plug->present) {
        *error = ENODEV;
        return false;
    }
    if (h->type == USBDEVFS_URB_TYPE_BULK && m_fault.kind == UsbFault::BulkGone) {
        *error = ENODEV;
        return false;
    }
    if (plug->released3 && h->type == USBDEVFS_URB_TYPE_BULK)
        ++m_counters.submitsAfterRelease;
    uint8_t* data = urb.buffer->data;
    const int length = h->buffer_length;
    int faultStatus = 0;
    int faultLength = 0;
    if (h->type == USBDEVFS_URB_TYPE_CONTROL && m_fault.kind == UsbFault::ControlSilent) {
        plug->pendingControl.push_back(urb);
    } else if (h->type == USBDEVFS_URB_TYPE_CONTROL && length >= 8) {
        const int answered = control(data, data + 8, length - 8);
        h->status = answered < 0 ? answered : 0;
        h->actual_length = std::max(answered, 0);
        plug->done.push_back(urb);
    } else if (h->type == USBDEVFS_URB_TYPE_BULK && h->endpoint == pkt::kEpWrite && faultOut()) {
        h->status = -EIO;
        h->actual_length = 0;
        plug->done.push_back(urb);
        lock.unlock();
        note(QString::asprintf("out 0x%X failed", unsigned(length >= 4 ? le::u32(data, 0) : 0)));
        lock.lock();
    } else if (h->type == USBDEVFS_URB_TYPE_BULK &&
               (h->endpoint == pkt::kEpCommand || h->endpoint == pkt::kEpImage) &&
               length >= kPacket && faultIn(h->endpoint, data, &faultStatus, &faultLength)) {
        h->status = faultStatus;
        h->actual_length = std::min(faultLength, length);
        plug->done.push_back(urb);
    } else if (h->type == USBDEVFS_URB_TYPE_BULK && h->endpoint == pkt::kEpWrite) {
        h->status = 0;
        h->actual_length = length;
        plug->done.push_back(urb);
        if (length == kPacket) {
            const uint32_t code = le::u32(data, 0);
            m_lastOut[code] = QByteArray(reinterpret_cast<const char*>(data), kPacket);
            lock.unlock();
            note(QString::asprintf("out 0x%X", unsigned(code)));
            if (m_peer)
                m_peer->write(data);
            lock.lock();
        }
    } else if (h->type == USBDEVFS_URB_TYPE_BULK &&
               (h->endpoint == pkt::kEpCommand || h->endpoint == pkt::kEpImage)) {
        const int slot = slotOf(h->endpoint);
        plug->pendingIn[size_t(slot)].push_back(urb);
        if (plug == m_current)
            matchIn(slot);
        m_wake.notify_all();
    } else {
        *error = EINVAL;
        return false;
    }
    lock.unlock();
    umockdev_ioctl_client_complete(client, 0, 0);
    scheduleServe();
    return true;
}

int EmulatedModule::control(const uint8_t* setup, uint8_t* data, int room) {
    const bool stringRequest = setup[0] == 0x80 && setup[1] == 6 && setup[3] == 3;
    if (!stringRequest)
        return -EPIPE;
    uint8_t descriptor[256] = {};
    int size = 2;
    const int index = setup[2];
    if (index == 0) {
        descriptor[size++] = 0x09; // English (United States)
        descriptor[size++] = 0x04;
    } else {
        const QString text = index == 1   ? QString::fromLatin1(kManufacturer)
                             : index == 2 ? QString::fromUtf8(m_spec.product)
                             : index == 3 ? m_spec.serialNumber
                                          : QString();
        if (text.isEmpty())
            return -EPIPE;
        for (int i = 0; i < text.size() && size + 2 <= 254; ++i) {
            le::put16(descriptor, size_t(size), text.at(i).unicode());
            size += 2;
        }
    }
    descriptor[0] = uint8_t(size);
    descriptor[1] = 3;
    const int given = std::min(size, room);
    std::memcpy(data, descriptor, size_t(given));
    return given;
}

void EmulatedModule::matchIn(int slot) {
    if (!m_current)
        return;
    auto& pending = m_current->pendingIn[size_t(slot)];
    auto& held = m_held[size_t(slot)];
    while (!pending.empty() && !held.empty()) {
        Urb urb = pending.front();
        pending.pop_front();
        const int given = std::min(kPacket, header(urb.urb)->buffer_length);
        std::memcpy(urb.buffer->data, held.front().data(), size_t(given));
        held.pop_front();
        header(urb.urb)->status = 0;
        header(urb.urb)->actual_length = given;
        m_current->done.push_back(urb);
    }
}

void EmulatedModule::pump(int slot) {
    const uint8_t endpoint = slot ? pkt::kEpImage : pkt::kEpCommand;
    std::array<uint8_t, 512> packet{};
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        if (!m_peer || !m_current || m_current->pendingIn[size_t(slot)].empty() ||
            !m_held[size_t(slot)].empty()) {
            m_wake.wait(lock);
            continue;
        }
        lock.unlock();
        const int size = m_peer->read(endpoint, packet.data(), kPumpWaitMs);
        lock.lock();
        if (size != kPacket) {
            // A peer that is not open fails at once: do not spin on it.
            if (size == -1)
                m_wake.wait_for(lock, std::chrono::milliseconds(kPumpWaitMs));
            continue;
        }
        if (!m_current)
            continue;
        m_held[size_t(slot)].push_back(packet);
        matchIn(slot);
        lock.unlock();
        scheduleServe();
        lock.lock();
    }
}

void EmulatedModule::giveUrb(UMockdevIoctlClient* client, Urb urb) {
    UMockdevIoctlData* target = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                            0, sizeof(gpointer), nullptr);
    umockdev_ioctl_data_set_ptr(target, 0, urb.urb);
    g_object_unref(target);
    g_object_unref(urb.urb);
}

void EmulatedModule::reap(UMockdevIoctlClient* client) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_counters.reaps;
    Plug* plug = plugOf(client);
    if (plug && !plug->done.empty()) {
        Urb urb = plug->done.front();
        plug->done.pop_front();
        lock.unlock();
        giveUrb(client, urb);
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
    }
    ++m_counters.emptyReaps;
    if (!plug || !plug->present) {
        lock.unlock();
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    // libusb reaps until nothing is left; with nothing in flight, waiting would only delay it.
    if (plug->pendingIn[0].empty() && plug->pendingIn[1].empty() && plug->pendingControl.empty()) {
        lock.unlock();
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    const uint64_t id = m_nextWaiter++;
    plug->waiters.push_back({id, UMOCKDEV_IOCTL_CLIENT(g_object_ref(client))});
    lock.unlock();
    GSource* timer = g_timeout_source_new(kReapWaitMs);
    g_source_set_callback(
        timer,
        [](gpointer data) -> gboolean {
            auto* pending = static_cast<Pending*>(data);
            pending->module->expireWaiter(pending->waiter);
            return G_SOURCE_REMOVE;
        },
        new Pending{shared_from_this(), id},
        [](gpointer data) { delete static_cast<Pending*>(data); });
    g_source_attach(timer, workerContext());
    g_source_unref(timer);
}

void EmulatedModule::expireWaiter(uint64_t id) {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (auto& entry : m_plugs) {
        Plug& plug = *entry.second;
        for (auto it = plug.waiters.begin(); it != plug.waiters.end(); ++it) {
            if (it->id != id)
                continue;
            UMockdevIoctlClient* client = it->client;
            plug.waiters.erase(it);
            const int error = plug.present ? EAGAIN : ENODEV;
            lock.unlock();
            umockdev_ioctl_client_complete(client, -1, error);
            g_object_unref(client);
            return;
        }
    }
}

void EmulatedModule::scheduleServe() {
    GMainContext* worker = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        worker = m_worker;
    }
    if (!worker)
        return;
    g_main_context_invoke_full(
        worker, G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            static_cast<Pending*>(data)->module->serveWaiters();
            return G_SOURCE_REMOVE;
        },
        new Pending{shared_from_this(), 0},
        [](gpointer data) { delete static_cast<Pending*>(data); });
}

void EmulatedModule::serveWaiters() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (auto& entry : m_plugs) {
        Plug& plug = *entry.second;
        while (!plug.waiters.empty() && (!plug.done.empty() || !plug.present)) {
            const Waiter waiter = plug.waiters.front();
            plug.waiters.pop_front();
            if (plug.done.empty()) {
                lock.unlock();
                umockdev_ioctl_client_complete(waiter.client, -1, ENODEV);
            } else {
                const Urb urb = plug.done.front();
                plug.done.pop_front();
                lock.unlock();
                giveUrb(waiter.client, urb);
                umockdev_ioctl_client_complete(waiter.client, 0, 0);
            }
            g_object_unref(waiter.client);
            lock.lock();
        }
    }
}

void EmulatedModule::discard(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    gulong address = 0;
    std::memcpy(&address, arg->data, sizeof(address));
    int error = EINVAL;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Plug* plug = plugOf(client);
        for (size_t slot = 0; plug && slot < 3 && error; ++slot) {
            auto& queue = slot < 2 ? plug->pendingIn[slot] : plug->pendingControl;
            for (auto it = queue.begin(); it != queue.end(); ++it) {
                if (it->urb->client_addr != address)
                    continue;
                header(it->urb)->status = -ENOENT;
                header(it->urb)->actual_length = 0;
                plug->done.push_back(*it);
                queue.erase(it);
                error = 0;
                break;
            }
        }
    }
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    scheduleServe();
}
