#include "sim/SimProfile.h"

#include "sim/ModuleState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <climits>

namespace {

const QStringList kKnownKeys = {
    "Firmware/Major",  "Firmware/Minor",   "Options/Ceiling",     "Options/Rear",
    "Options/Finger",  "Options/Lens",     "Module/SerialNumber", "Module/HidReadyDelayMs",
    "Module/MaskFile", "Plug/PlugAfterMs", "Plug/UnplugAfterMs",  "Plug/ReplugAfterMs",
};

// Reads one integer key if present; the value must lie within [lo, hi].
bool readInt(const QSettings& ini, const QString& key, int lo, int hi, int* value, QString* error) {
    if (!ini.contains(key))
        return true;
    const QString text = ini.value(key).toString().trimmed();
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) {
        *error = QStringLiteral("%1: expected a whole number from %2 to %3, found \"%4\"")
                     .arg(key)
                     .arg(lo)
                     .arg(hi)
                     .arg(text);
        return false;
    }
    *value = v;
    return true;
}

bool readByte(const QSettings& ini, const QString& key, uint8_t* value, QString* error) {
    int v = *value;
    if (!readInt(ini, key, 0, 255, &v, error))
        return false;
    *value = uint8_t(v);
    return true;
}

// The serial number travels as an ASCII string descriptor read into 101 bytes.
bool validSerial(const QString& serial) {
    if (serial.isEmpty() || serial.size() > 100)
        return false;
    for (const QChar c : serial)
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return false;
    return true;
}

bool readMaskFile(const QString& path, QByteArray* mask, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("mask file %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kMaskBytes + 1);
    if (bytes.size() != kMaskBytes) {
        *error = QStringLiteral("mask file %1: expected %2 bytes").arg(path).arg(kMaskBytes);
        return false;
    }
    *mask = bytes;
    return true;
}

} // namespace

bool SimProfile::load(const QString& path, SimProfile* profile, QString* error) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        *error = QStringLiteral("profile %1 cannot be read").arg(path);
        return false;
    }
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        *error = QStringLiteral("profile %1 is not a valid INI file").arg(path);
        return false;
    }
    for (const QString& key : ini.allKeys()) {
        if (!kKnownKeys.contains(key)) {
            *error = QStringLiteral("profile %1: unknown key %2").arg(path, key);
            return false;
        }
    }

    SimProfile p;
    const bool numbersOk =
        readByte(ini, "Firmware/Major", &p.fwMajor, error) &&
        readByte(ini, "Firmware/Minor", &p.fwMinor, error) &&
        readByte(ini, "Options/Ceiling", &p.ceiling, error) &&
        readByte(ini, "Options/Rear", &p.rear, error) &&
        readByte(ini, "Options/Finger", &p.finger, error) &&
        readByte(ini, "Options/Lens", &p.lens, error) &&
        readInt(ini, "Module/HidReadyDelayMs", 0, INT_MAX, &p.hidReadyDelayMs, error) &&
        readInt(ini, "Plug/PlugAfterMs", 0, INT_MAX, &p.plugAfterMs, error) &&
        readInt(ini, "Plug/UnplugAfterMs", INT_MIN, INT_MAX, &p.unplugAfterMs, error) &&
        readInt(ini, "Plug/ReplugAfterMs", INT_MIN, INT_MAX, &p.replugAfterMs, error);
    if (!numbersOk)
        return false;

    if (ini.contains("Module/SerialNumber")) {
        p.serialNumber = ini.value("Module/SerialNumber").toString();
        if (!validSerial(p.serialNumber)) {
            *error = QStringLiteral("Module/SerialNumber: 1 to 100 printable ASCII characters");
            return false;
        }
    }
    const QString maskFile = ini.value("Module/MaskFile").toString();
    if (!maskFile.isEmpty() && !readMaskFile(info.dir().absoluteFilePath(maskFile), &p.mask, error))
        return false;

    *profile = p;
    return true;
}
