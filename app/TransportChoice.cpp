#include "app/TransportChoice.h"

#include "device/UnixSocketTransport.h"
#include "device/UsbTransport.h"
#include "sim/desktop/SimDesktop.h"

TransportChoice TransportChoice::choose(const QString& option, const QString& environment) {
    TransportChoice choice;
    choice.spec = !option.isEmpty()        ? option
                  : !environment.isEmpty() ? environment
                                           : QStringLiteral("usb");
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
