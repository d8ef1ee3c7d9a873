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
#include <sys/stat.h>

namespace {

const QStringList kKnownKeys = {
    "Firmware/Major",
    "Firmware/Minor",
    "Options/Ceiling",
    "Options/Rear",
    "Options/Finger",
    "Options/Lens",
    "Module/SerialNumber",
    "Module/HidReadyDelayMs",
    "Module/MaskFile",
    "Plug/PlugAfterMs",
    "Plug/UnplugAfterMs",
    "Plug/ReplugAfterMs",
    "Module/ExposureMs",
    "Module/StoreFile",
    "Faults/DropFraction",
    "Faults/DropSeed",
    "Faults/DropParts",
    "Faults/LoseMaskPart",
    "Faults/RefuseCodes",
    "Faults/UnplugOnCapture",
    "Faults/UnplugForMs",
    "Screen/CentreX",
    "Screen/CentreY",
    "Screen/WidthFraction",
    "Screen/Roll",
    "Screen/Keystone",
    "Screen/TurnedAway",
    "Screen/ObstacleLeft",
    "Screen/ObstacleTop",
    "Screen/ObstacleWidth",
    "Screen/ObstacleHeight",
    "Lens/ShiftX",
    "Lens/ShiftY",
    "Lens/DistortionScale",
    "Light/Ambient",
    "Light/ProjectorBlack",
    "Light/ProjectorWhite",
    "Light/Vignetting",
    "Light/Blur",
    "Light/Noise",
    "Light/Seed",
    "Light/Supersampling",
    "Pen/Offsets",
    "Pen/Jitter",
    "Pen/Seed",
    "Pen/HoldMs",
    "Pen/LiftEarlyOn",
    "Pen/GoBackAfter",
    "Touch/RatioErrorX",
    "Touch/RatioErrorY",
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

bool readReal(const QSettings& ini, const QString& key, double lo, double hi, double* value,
              QString* error) {
    if (!ini.contains(key))
        return true;
    const QString text = ini.value(key).toString().trimmed();
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < lo || v > hi) {
        *error = QStringLiteral("%1: expected a number from %2 to %3, found \"%4\"")
                     .arg(key)
                     .arg(lo)
                     .arg(hi)
                     .arg(text);
        return false;
    }
    *value = v;
    return true;
}

bool readBool(const QSettings& ini, const QString& key, bool* value, QString* error) {
    int v = *value ? 1 : 0;
    if (!readInt(ini, key, 0, 1, &v, error))
        return false;
    *value = v != 0;
    return true;
}

// "tweak0" or "tweak1" (a predefined table), or 40 numbers: x and y of the 20 positions.
bool readPenOffsets(const QSettings& ini, SimProfile* p, QString* error) {
    const QString key = QStringLiteral("Pen/Offsets");
    if (!ini.contains(key))
        return true;
    const QStringList items = ini.value(key).toStringList();
    const QString joined = items.join(QLatin1Char(',')).trimmed();
    if (joined == QLatin1String("tweak0") || joined == QLatin1String("tweak1")) {
        p->penTweakTable = joined.endsWith(QLatin1Char('1')) ? 1 : 0;
        return true;
    }
    p->penTweakTable = -1;
    if (joined.isEmpty())
        return true;
    if (items.size() != int(p->penOffsets.size())) {
        *error = QStringLiteral("%1: expected tweak0, tweak1 or 40 numbers").arg(key);
        return false;
    }
    for (int i = 0; i < items.size(); ++i) {
        bool ok = false;
        const double v = items[i].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v) || std::fabs(v) > 100.0) {
            *error = QStringLiteral("%1: expected numbers from -100 to 100, found \"%2\"")
                         .arg(key, items[i].trimmed());
            return false;
        }
        p->penOffsets[size_t(i)] = v;
    }
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

// Opening a FIFO or a device would block start-up or read without end.
bool isRegularFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool readMaskFile(const QString& path, QByteArray* mask, QString* error) {
    if (QFileInfo::exists(path) && !isRegularFile(path)) {
        *error = QStringLiteral("mask file %1: not a regular file").arg(path);
        return false;
    }
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
        readList(ini, "Faults/RefuseCodes", 0, UINT32_MAX, &p.refuseCodes, error) &&
        readInt(ini, "Faults/UnplugOnCapture", 0, INT_MAX, &p.unplugOnCapture, error) &&
        readInt(ini, "Faults/UnplugForMs", INT_MIN, INT_MAX, &p.unplugForMs, error);
    const bool worldOk =
        numbersOk && readReal(ini, "Screen/CentreX", -5000, 5000, &p.screenCentreX, error) &&
        readReal(ini, "Screen/CentreY", -5000, 5000, &p.screenCentreY, error) &&
        readReal(ini, "Screen/WidthFraction", 0.05, 2.0, &p.screenWidthFraction, error) &&
        readReal(ini, "Screen/Roll", -45, 45, &p.screenRoll, error) &&
        readReal(ini, "Screen/Keystone", -0.5, 0.5, &p.screenKeystone, error) &&
        readReal(ini, "Screen/ObstacleLeft", 0, 1, &p.obstacle[0], error) &&
        readReal(ini, "Screen/ObstacleTop", 0, 1, &p.obstacle[1], error) &&
        readReal(ini, "Screen/ObstacleWidth", 0, 1, &p.obstacle[2], error) &&
        readReal(ini, "Screen/ObstacleHeight", 0, 1, &p.obstacle[3], error) &&
        readBool(ini, "Screen/TurnedAway", &p.turnedAway, error) &&
        readReal(ini, "Lens/ShiftX", -200, 200, &p.lensShiftX, error) &&
        readReal(ini, "Lens/ShiftY", -200, 200, &p.lensShiftY, error) &&
        readReal(ini, "Lens/DistortionScale", 0, 3, &p.lensDistortionScale, error) &&
        readReal(ini, "Light/Ambient", 0, 255, &p.ambient, error) &&
        readReal(ini, "Light/ProjectorBlack", 0, 255, &p.projectorBlack, error) &&
        readReal(ini, "Light/ProjectorWhite", 0, 255, &p.projectorWhite, error) &&
        readReal(ini, "Light/Vignetting", 0, 1, &p.vignetting, error) &&
        readReal(ini, "Light/Blur", 0, 10, &p.blurSigma, error) &&
        readReal(ini, "Light/Noise", 0, 50, &p.noiseSigma, error) &&
        readInt(ini, "Light/Seed", 0, INT_MAX, &p.lightSeed, error) &&
        readInt(ini, "Light/Supersampling", 1, 8, &p.supersampling, error) &&
        readPenOffsets(ini, &p, error) && readReal(ini, "Pen/Jitter", 0, 50, &p.penJitter, error) &&
        readInt(ini, "Pen/Seed", 0, INT_MAX, &p.penSeed, error) &&
        readInt(ini, "Pen/HoldMs", 0, 60000, &p.penHoldMs, error) &&
        readInt(ini, "Pen/LiftEarlyOn", -1, 24, &p.liftEarlyOn, error) &&
        readInt(ini, "Pen/GoBackAfter", -1, 24, &p.goBackAfter, error) &&
        readReal(ini, "Touch/RatioErrorX", 0.5, 2, &p.ratioErrorX, error) &&
        readReal(ini, "Touch/RatioErrorY", 0.5, 2, &p.ratioErrorY, error);
    if (!worldOk)
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
        const bool exists = QFileInfo::exists(p.storeFile);
        if (exists && !isRegularFile(p.storeFile)) {
            *error = QStringLiteral("store file %1: not a regular file").arg(p.storeFile);
            return false;
        }
        if (exists && !readModuleStore(p.storeFile, &scratch, error))
            return false;
    }

    *profile = p;
    return true;
}
