// One emulated USB bus with the virtual module on it, and a program run on that bus.
//
//   tivora-usb-bridge [--profile FILE] [--busy-first] [--no-hid] [--screen] [--fault FAULT]
//                     -- PROGRAM [ARG...]
//
// --busy-first puts a module whose interface 2 another program holds first in libusb's list;
// --no-hid makes the module's vendor HID collection never appear; with --screen the module's
// camera photographs the leftmost monitor of the X display that the program paints on. The lines
// "unplug" and "replug" on standard input pull the module's cable and plug it in again; --fault
// and the line "fault FAULT" make its USB side misbehave (UsbFault::parse), "fault none" ends
// that. Every bus
// event goes to standard error as "usb-bridge: module N: EVENT"; the exit code is the program's.

#include "sim/SimFactory.h"
#include "sim/SimTransport.h"
#include "sim/desktop/DesktopScene.h"
#include "tests/usb/UsbBridge.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fprintf(stderr, "usb-bridge: %s\n", qPrintable(line));
    std::fflush(stderr);
}

int usage() {
    std::fprintf(stderr, "usage: tivora-usb-bridge [--profile FILE] [--busy-first] [--no-hid] "
                         "[--screen] [--fault FAULT] -- PROGRAM [ARG...]\n");
    return 2;
}

QScreen* leftmostScreen() {
    QScreen* leftmost = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().left() < leftmost->geometry().left())
            leftmost = screen;
    return leftmost;
}

// Photographs the leftmost monitor often enough that a capture, taken an exposure time after
// the program painted its screen, sees that screen.
void watchScreen(DesktopScene* scene, QObject* parent) {
    auto* timer = new QTimer(parent);
    QObject::connect(timer, &QTimer::timeout, [scene] {
        QScreen* screen = leftmostScreen();
        const QRect area = screen->geometry();
        scene->setMonitor(
            screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage());
    });
    timer->start(30);
}

} // namespace

int main(int argc, char* argv[]) {
    reexecUnderUmockdev(argv);
    // The bridge's own options stand before "--"; the program's after it are not its own.
    char** const ownEnd = std::find_if(argv + 1, argv + argc,
                                       [](const char* arg) { return !std::strcmp(arg, "--"); });
    const bool screen = std::any_of(argv + 1, ownEnd,
                                    [](const char* arg) { return !std::strcmp(arg, "--screen"); });
    // Only a bridge that watches the display needs one.
    std::unique_ptr<QCoreApplication> application =
        screen ? std::make_unique<QGuiApplication>(argc, argv)
               : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QString profile;
    bool busyFirst = false;
    EmulatedModuleSpec spec;
    UsbFault fault;
    QStringList command;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--")) {
            command = args.mid(i + 1);
            break;
        }
        if (args[i] == QLatin1String("--profile") && i + 1 < args.size())
            profile = args[++i];
        else if (args[i] == QLatin1String("--busy-first"))
            busyFirst = true;
        else if (args[i] == QLatin1String("--no-hid"))
            spec.hidReady = false;
        else if (args[i] == QLatin1String("--screen"))
            continue;
        else if (args[i] == QLatin1String("--fault") && i + 1 < args.size() &&
                 UsbFault::parse(args[i + 1], &fault))
            ++i;
        else
            return usage();
    }
    if (command.isEmpty())
        return usage();

    QString error;
    std::unique_ptr<Transport> firmware = makeSimTransport(profile, &error);
    if (!firmware) {
        say(error);
        return 2;
    }
    if (screen) {
        SimProfile settings;
        if (!profile.isEmpty() && !SimProfile::load(profile, &settings, &error)) {
            say(error);
            return 2;
        }
        auto scene = std::make_shared<DesktopScene>(settings);
        static_cast<SimTransport*>(firmware.get())->setSceneSource(scene);
        watchScreen(scene.get(), &app);
    }
    UsbBridge bridge;
    bridge.setEventSink(say);
    const int module = bridge.addModule(spec, firmware.get(), &error);
    if (module >= 0)
        bridge.setFault(module, fault);
    // libusb lists the device found last first.
    EmulatedModuleSpec busy;
    busy.serialNumber = QStringLiteral("BUSY000001");
    busy.interface2Busy = true;
    if (module < 0 || (busyFirst && bridge.addModule(busy, nullptr, &error) < 0)) {
        say(error);
        return 2;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, int(n));
        for (int end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray line = pending.left(end).trimmed();
            if (line == "unplug") {
                bridge.unplug(module);
            } else if (line == "replug") {
                if (!bridge.replug(module, &error))
                    say(error);
            } else if (line.startsWith("fault ") &&
                       UsbFault::parse(QString::fromLatin1(line.mid(6)), &fault)) {
                bridge.setFault(module, fault);
            } else {
                say(QStringLiteral("unknown request \"%1\"").arg(QString::fromLatin1(line)));
            }
        }
    });

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setInputChannelMode(QProcess::ManagedInputChannel);
    int exitCode = 0;
    QObject::connect(&program, &QProcess::started,
                     [&] { say(QStringLiteral("started %1").arg(program.processId())); });
    QObject::connect(&program, qOverload<int, QProcess::ExitStatus>(&QProcess::finished),
                     [&](int code, QProcess::ExitStatus status) {
                         exitCode = status == QProcess::NormalExit ? code : 128 + SIGABRT;
                         app.quit();
                     });
    QObject::connect(&program, &QProcess::errorOccurred, [&](QProcess::ProcessError failure) {
        if (failure == QProcess::FailedToStart) {
            say(QStringLiteral("cannot start %1").arg(command.first()));
            exitCode = 127;
            app.quit();
        }
    });
    program.start(command.first(), command.mid(1));
    app.exec();

    for (int i = 0; i < (busyFirst ? 2 : 1); ++i) {
        const EmulatedModule::Counters c = bridge.counters(i);
        say(QString::asprintf("module %d: %d submits, %d reaps (%d empty), %d submits after "
                              "release, %d releases in flight",
                              i, c.submits, c.reaps, c.emptyReaps, c.submitsAfterRelease,
                              c.releasesInFlight));
    }
    return exitCode;
}
