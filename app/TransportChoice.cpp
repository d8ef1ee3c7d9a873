#include "app/TransportChoice.h"

#include "device/UnixSocketTransport.h"
#include "device/UsbTransport.h"
#include "sim/desktop/SimDesktop.h"

TransportChoice TransportChoice::fromArguments(const QStringList& arguments,
                                               const QString& environment) {
    TransportChoice choice;
    choice.spec = environment.isEmpty() ? QStringLiteral("usb") : environment;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--simulate")) {
            choice.spec = QStringLiteral("sim");
        } else if (arg.startsWith(QLatin1String("--device="))) {
            choice.spec = arg.mid(int(qstrlen("--device=")));
        } else if (arg == QLatin1String("--device")) {
            if (i + 1 >= arguments.size()) {
                choice.error = QStringLiteral("--device needs a value: usb, sim[:PROFILE] or "
                                              "unix:PATH");
                return choice;
            }
            choice.spec = arguments[++i];
        }
    }
    return choice;
}

std::unique_ptr<Transport> TransportChoice::open() {
    if (!error.isEmpty())
        return nullptr;
    if (spec == QLatin1String("usb"))
        return std::make_unique<UsbTransport>();
    if (spec == QLatin1String("sim") || spec.startsWith(QLatin1String("sim:"))) {
        SimDesktop desktop = makeSimDesktop(spec.mid(4), &error);
        verifier = std::move(desktop.verifier);
        return std::move(desktop.transport);
    }
    if (spec.startsWith(QLatin1String("unix:")) && spec.size() > 5)
        return std::make_unique<UnixSocketTransport>(spec.mid(5));
    error = QStringLiteral("unknown device \"%1\": use usb, sim[:PROFILE] or unix:PATH").arg(spec);
    return nullptr;
}
