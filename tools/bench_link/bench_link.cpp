// How long the link takes to answer one command and to move one 921,600-byte capture from the
// virtual module into sigACNewFrame, and how much CPU the receive thread spends per received
// packet. With --usb the module sits behind an emulated USB device and the link uses the real
// USB transport (libusb and hidapi through the kernel's USB interface as umockdev fakes it).
//
//   bench_link [--runs N] [--drop FRACTION] [--usb]

#include "device/CamDevCtrl.h"
#include "device/UsbTransport.h"
#include "sim/SimTransport.h"
#include "tests/usb/UsbBridge.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <pthread.h>
#include <vector>

namespace {

// The receive thread announces its id in the debug log; its CPU clock is read through it.
std::atomic<pthread_t> g_receiveThread{};
// Parts sent again, and the end of each repair run, counted from the link's repair lines.
std::atomic<int> g_repairPackets{0};

void readLog(QtMsgType, const QMessageLogContext&, const QString& message) {
    static const QString thread = QStringLiteral("RecvPacketProc: Thread ID = ");
    static const QRegularExpression repair(
        QStringLiteral("missed seq: num = (\\d+), num_run = (\\d+)"));
    if (message.startsWith(thread)) {
        g_receiveThread = pthread_t(message.mid(thread.size()).toULongLong(nullptr, 16));
        return;
    }
    const QRegularExpressionMatch m = repair.match(message);
    if (m.hasMatch())
        g_repairPackets += m.captured(1).toInt() + m.captured(2).toInt();
}

double threadCpuMs(pthread_t thread) {
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return 0.0;
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Runs start, then waits for the signal; the answer may come before start returns.
bool waitFor(
    QObject* sender, const char* signal, int timeoutMs,
    const std::function<void()>& start = [] {}) {
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    QObject::connect(sender, signal, &loop, SLOT(quit()));
    start();
    return loop.exec() == 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    const bool usb = std::any_of(argv + 1, argv + argc,
                                 [](const char* arg) { return std::strcmp(arg, "--usb") == 0; });
    if (usb)
        reexecUnderUmockdev(argv);
    QCoreApplication app(argc, argv);
    int runs = 20;
    double drop = 0.0;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--drop"))
            drop = args[i + 1].toDouble();
    }
    qInstallMessageHandler(readLog);

    SimProfile profile;
    profile.exposureMs = 0;
    profile.dropFraction = drop;
    auto sim = std::make_unique<SimTransport>(profile);
    std::unique_ptr<UsbBridge> bridge;
    std::unique_ptr<Transport> transport;
    if (usb) {
        bridge = std::make_unique<UsbBridge>();
        QString error;
        if (bridge->addModule({}, sim.get(), &error) < 0) {
            std::fprintf(stderr, "bench_link: %s\n", qPrintable(error));
            return 1;
        }
        transport = std::make_unique<UsbTransport>();
    } else {
        transport = std::move(sim);
    }
    CamDevCtrl link(std::move(transport));
    if (!link.OpenDevice()) {
        std::fprintf(stderr, "bench_link: the virtual module did not open\n");
        return 1;
    }
    // The opening requests are answered by now; what is left of them must not count.
    waitFor(&link, SIGNAL(sigReceiveMask(unsigned char*, int)), 10000);

    std::vector<double> roundTripMs;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        if (!waitFor(&link, SIGNAL(sigSetFWVersion(QString)), 5000,
                     [&link] { link.SendPacket(nullptr, pkt::CMD_SENDVERSION, 0); })) {
            std::fprintf(stderr, "bench_link: no version answer\n");
            return 1;
        }
        roundTripMs.push_back(clock.nsecsElapsed() / 1e6);
    }
    int packets = 0;

    std::vector<double> wallMs, cpuPerPacketUs;
    for (int run = 0; run < runs; ++run) {
        if (!waitFor(&link, SIGNAL(sigACNextStep()), 5000,
                     [&link] { link.SendACPatternStart(0); })) {
            std::fprintf(stderr, "bench_link: no capture end\n");
            return 1;
        }
        const pthread_t receiver = g_receiveThread;
        const double cpuBefore = threadCpuMs(receiver);
        g_repairPackets = 0;
        QElapsedTimer clock;
        clock.start();
        if (!waitFor(&link, SIGNAL(sigACNewFrame(unsigned char*, int)), 30000,
                     [&link] { link.RequestACImage(103, 0); })) {
            std::fprintf(stderr, "bench_link: the capture did not arrive\n");
            return 1;
        }
        wallMs.push_back(clock.nsecsElapsed() / 1e6);
        // 80 groups of 24 parts and their ends, the end of group 80, and the repairs.
        packets = 80 * 25 + 1 + g_repairPackets;
        cpuPerPacketUs.push_back((threadCpuMs(receiver) - cpuBefore) * 1e3 / packets);
    }
    std::printf("%s, %d runs\n", usb ? "emulated USB device" : "virtual module in process", runs);
    std::printf("  command and answer (512 bytes each way, into sigSetFWVersion): median %.2f ms, "
                "best %.2f ms\n",
                median(roundTripMs), *std::min_element(roundTripMs.begin(), roundTripMs.end()));
    std::printf("capture 1280 x 720 (921,600 bytes), %.0f%% of parts dropped\n", drop * 100);
    std::printf("  time to sigACNewFrame: median %.1f ms, best %.1f ms\n", median(wallMs),
                *std::min_element(wallMs.begin(), wallMs.end()));
    std::printf(
        "  receive-thread CPU per packet: median %.2f us (%d packets in the last capture)\n",
        median(cpuPerPacketUs), packets);
    if (bridge) {
        const EmulatedModule::Counters c = bridge->counters(0);
        std::printf("  usbfs requests: %d submits, %d reaps (%d found nothing finished)\n",
                    c.submits, c.reaps, c.emptyReaps);
    }
    return 0;
}
