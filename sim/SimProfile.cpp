#include "sim/SimProfile.h"

#include "sim/ModuleState.h"
#include "sim/ModuleStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <climits>
#include <cmath>

namespace {

const QStringList kKnownKeys = {
    "Firmware/Major",    "Firmware/Minor",      "Options/Ceiling",     "Options/Rear",
    "Options/Finger",    "Options/Lens",        "Module/SerialNumber", "Module/HidReadyDelayMs",
    "Module/MaskFile",   "Plug/PlugAfterMs",    "Plug/UnplugAfterMs",  "Plug/ReplugAfterMs",
    "Module/ExposureMs", "Module/StoreFile",    "Faults/DropFraction", "Faults/DropSeed",
    "Faults/DropParts",  "Faults/LoseMaskPart", "Faults/RefuseCodes",
};

constexpr int kCapturedParts = 1920;
constexpr int kLastMaskPart = 57;

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

bool readFraction(const QSettings& ini, const QString& key, double* value, QString* error) {
    if (!ini.contains(key))
        return true;
    const QString text = ini.value(key).toString().trimmed();
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0.0 || v > 1.0) {
        *error = QStringLiteral("%1: expected a fraction from 0 to 1, found \"%2\"").arg(key, text);
        return false;
    }
    *value = v;
    return true;
}

// A whole number in decimal, or in hexadecimal after "0x".
bool parseNumber(QString text, qulonglong* value) {
    text = text.trimmed();
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        *value = text.mid(2).toULongLong(&ok, 16);
    else
        *value = text.toULongLong(&ok, 10);
    return ok;
}

// A comma-separated list of numbers, each within [lo, hi].
template <typename T>
bool readList(const QSettings& ini, const QString& key, qulonglong lo, qulonglong hi,
              std::set<T>* values, QString* error) {
    if (!ini.contains(key))
        return true;
    std::set<T> parsed;
    for (const QString& item : ini.value(key).toStringList()) {
        if (item.trimmed().isEmpty())
            continue;
        qulonglong v = 0;
        if (!parseNumber(item, &v) || v < lo || v > hi) {
            *error = QStringLiteral("%1: expected numbers from %2 to %3, found \"%4\"")
                         .arg(key)
                         .arg(lo)
                         .arg(hi)
                         .arg(item.trimmed());
            return false;
        }
        parsed.insert(T(v));
    }
    *values = parsed;
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
        readInt(ini, "Plug/ReplugAfterMs", INT_MIN, INT_MAX, &p.replugAfterMs, error) &&
        readInt(ini, "Module/ExposureMs", 0, 60000, &p.exposureMs, error) &&
        readFraction(ini, "Faults/DropFraction", &p.dropFraction, error) &&
        readInt(ini, "Faults/DropSeed", 0, INT_MAX, &p.dropSeed, error) &&
        readList(ini, "Faults/DropParts", 0, kCapturedParts - 1, &p.dropParts, error) &&
        readInt(ini, "Faults/LoseMaskPart", -1, kLastMaskPart, &p.loseMaskPart, error) &&
        readList(ini, "Faults/RefuseCodes", 0, UINT32_MAX, &p.refuseCodes, error);
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

    // A store file that does not exist yet is created by the first write; one that exists
    // must be a whole store.
    const QString storeFile = ini.value("Module/StoreFile").toString();
    if (!storeFile.isEmpty()) {
        p.storeFile = info.dir().absoluteFilePath(storeFile);
        StoredState scratch;
        if (QFileInfo::exists(p.storeFile) && !readModuleStore(p.storeFile, &scratch, error))
            return false;
    }

    *profile = p;
    return true;
}
