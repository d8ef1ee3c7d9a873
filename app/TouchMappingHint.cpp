#include "app/TouchMappingHint.h"

#include "device/UsbIds.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

// Entries of the screen choice texts.
constexpr int kTextGeneral = 3;
constexpr int kTextCommand = 5;
constexpr int kTextGnome = 7;
constexpr int kTextKde = 8;
// sway answers at once; a hint is not worth a longer wait.
constexpr int kSwayAnswerMs = 2000;

bool desktopIs(const QProcessEnvironment& environment, const char* name) {
    const QStringList desktops =
        environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'));
    for (const QString& desktop : desktops) {
        if (desktop.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// sway names an input "vendor:product:name" in decimal, with blanks in the name as
// underscores; without the name, every touch device.
QString swayInputOf(const QString& inputDevice) {
    if (inputDevice.isEmpty())
        return QStringLiteral("type:touch");
    QString name = inputDevice;
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    return QStringLiteral("%1:%2:%3").arg(usb_ids::kVendorId).arg(usb_ids::kProductId).arg(name);
}

} // namespace

DesktopSession desktopSessionOf(const QProcessEnvironment& environment) {
    const bool wayland =
        environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland") ||
        !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    if (!wayland)
        return DesktopSession::X11;
    if (!environment.value(QStringLiteral("SWAYSOCK")).isEmpty() || desktopIs(environment, "sway"))
        return DesktopSession::Sway;
    if (desktopIs(environment, "GNOME"))
        return DesktopSession::Gnome;
    if (desktopIs(environment, "KDE"))
        return DesktopSession::Kde;
    return DesktopSession::OtherWayland;
}

QString compositorOutputName(DesktopSession session, const ScreenDesc& monitor) {
    if (session != DesktopSession::Sway || QGuiApplication::platformName() != QLatin1String("xcb"))
        return monitor.name;
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"),
                  {QStringLiteral("-t"), QStringLiteral("get_outputs"), QStringLiteral("-r")});
    if (!swaymsg.waitForFinished(kSwayAnswerMs) || swaymsg.exitCode() != 0) {
        qCDebug(lcApp) << "swaymsg did not list the outputs:" << swaymsg.errorString();
        return monitor.name;
    }
    const QJsonArray outputs = QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).array();
    for (const QJsonValue& output : outputs) {
        const QJsonObject rect = output.toObject().value(QStringLiteral("rect")).toObject();
        if (rect.value(QStringLiteral("x")).toInt() == monitor.geometry.x() &&
            rect.value(QStringLiteral("y")).toInt() == monitor.geometry.y())
            return output.toObject().value(QStringLiteral("name")).toString();
    }
    return monitor.name;
}

QString shellWord(const QString& word) {
    bool plain = !word.isEmpty();
    for (const QChar c : word) {
        const ushort u = c.unicode();
        const bool safe = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '-' || u == '/' ||
                          u == ':';
        plain = plain && safe;
    }
    if (plain)
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString touchMappingHint(const LanguageTable& text, DesktopSession session, const QString& output,
                         const QString& inputDevice) {
    QString command;
    switch (session) {
    case DesktopSession::X11:
        if (inputDevice.isEmpty())
            return text.textSC(kTextGeneral).arg(output);
        command = QStringLiteral("xinput map-to-output %1 %2")
                      .arg(shellWord(inputDevice), shellWord(output));
        break;
    case DesktopSession::Sway:
        command = QStringLiteral("swaymsg input %1 map_to_output %2")
                      .arg(shellWord(swayInputOf(inputDevice)), shellWord(output));
        break;
    case DesktopSession::Gnome:
        return text.textSC(kTextGnome).arg(output);
    case DesktopSession::Kde:
        return text.textSC(kTextKde).arg(output);
    case DesktopSession::OtherWayland:
        return text.textSC(kTextGeneral).arg(output);
    }
    // Both at once, so that a "%1" in the module's name stays text.
    return text.textSC(kTextCommand).arg(output, command);
}
