#include "sim/SimProfile.h"

#include "sim/ModuleState.h"
#include "sim/ModuleStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <sys/stat.h>
#include <utility>

namespace {

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

bool readSerial(const QSettings& ini, const QString& key, QString* serial, QString* error) {
    if (!ini.contains(key))
        return true;
    *serial = ini.value(key).toString();
    if (!validSerial(*serial)) {
        *error = QStringLiteral("%1: 1 to 100 printable ASCII characters").arg(key);
        return false;
    }
    return true;
}

// A store file that does not exist yet is created by the first write; one that exists must be
// a whole store.
bool readStoreFile(const QString& path, QString* storeFile, QString* error) {
    *storeFile = path;
    StoredState scratch;
    const bool exists = QFileInfo::exists(path);
    if (exists && !isRegularFile(path)) {
        *error = QStringLiteral("store file %1: not a regular file").arg(path);
        return false;
    }
    return !exists || readModuleStore(path, &scratch, error);
}

// What a key is read from: the profile, and its folder for the file names it gives.
struct Source {
    const QSettings& ini;
    QDir dir;

    QString path(const QString& key) const {
        const QString name = ini.value(key).toString();
        return name.isEmpty() ? QString() : dir.absoluteFilePath(name);
    }
};

using Reader =
    std::function<bool(const Source& s, const QString& key, SimProfile& p, QString* error)>;

Reader byteKey(uint8_t SimProfile::*field) {
    return [field](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readByte(s.ini, k, &(p.*field), e);
    };
}

Reader intKey(int SimProfile::*field, int lo, int hi) {
    return [field, lo, hi](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readInt(s.ini, k, lo, hi, &(p.*field), e);
    };
}

Reader realKey(double SimProfile::*field, double lo, double hi) {
    return [field, lo, hi](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readReal(s.ini, k, lo, hi, &(p.*field), e);
    };
}

Reader fractionKey(double SimProfile::*field) {
    return [field](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readFraction(s.ini, k, &(p.*field), e);
    };
}

Reader boolKey(bool SimProfile::*field) {
    return [field](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readBool(s.ini, k, &(p.*field), e);
    };
}

// Left, top, width, height of the obstacle, as fractions of the monitor.
Reader obstacleKey(size_t side) {
    return [side](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readReal(s.ini, k, 0, 1, &p.obstacle[side], e);
    };
}

template <typename T> Reader listKey(std::set<T> SimProfile::*field, qulonglong lo, qulonglong hi) {
    return [field, lo, hi](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readList(s.ini, k, lo, hi, &(p.*field), e);
    };
}

Reader penOffsetsKey() {
    return [](const Source& s, const QString&, SimProfile& p, QString* e) {
        return readPenOffsets(s.ini, &p, e);
    };
}

Reader serialKey() {
    return [](const Source& s, const QString& k, SimProfile& p, QString* e) {
        return readSerial(s.ini, k, &p.serialNumber, e);
    };
}

Reader maskFileKey() {
    return [](const Source& s, const QString& k, SimProfile& p, QString* e) {
        const QString path = s.path(k);
        return path.isEmpty() || readMaskFile(path, &p.mask, e);
    };
}

Reader storeFileKey() {
    return [](const Source& s, const QString& k, SimProfile& p, QString* e) {
        const QString path = s.path(k);
        return path.isEmpty() || readStoreFile(path, &p.storeFile, e);
    };
}

// Every key a profile may hold, read in this order: any other key is refused.
const std::pair<const char*, Reader> kKeys[] = {
    {"Firmware/Major", byteKey(&SimProfile::fwMajor)},
    {"Firmware/Minor", byteKey(&SimProfile::fwMinor)},
    {"Options/Ceiling", byteKey(&SimProfile::ceiling)},
    {"Options/Rear", byteKey(&SimProfile::rear)},
    {"Options/Finger", byteKey(&SimProfile::finger)},
    {"Options/Lens", byteKey(&SimProfile::lens)},
    {"Module/HidReadyDelayMs", intKey(&SimProfile::hidReadyDelayMs, 0, INT_MAX)},
    {"Plug/PlugAfterMs", intKey(&SimProfile::plugAfterMs, 0, INT_MAX)},
    {"Plug/UnplugAfterMs", intKey(&SimProfile::unplugAfterMs, INT_MIN, INT_MAX)},
    {"Plug/ReplugAfterMs", intKey(&SimProfile::replugAfterMs, INT_MIN, INT_MAX)},
    {"Module/ExposureMs", intKey(&SimProfile::exposureMs, 0, 60000)},
    {"Faults/DropFraction", fractionKey(&SimProfile::dropFraction)},
    {"Faults/DropSeed", intKey(&SimProfile::dropSeed, 0, INT_MAX)},
    {"Faults/DropParts", listKey(&SimProfile::dropParts, 0, kCapturedParts - 1)},
    {"Faults/LoseMaskPart", intKey(&SimProfile::loseMaskPart, -1, kLastMaskPart)},
    {"Faults/RefuseCodes", listKey(&SimProfile::refuseCodes, 0, UINT32_MAX)},
    {"Faults/UnplugOnCapture", intKey(&SimProfile::unplugOnCapture, 0, INT_MAX)},
    {"Faults/UnplugForMs", intKey(&SimProfile::unplugForMs, INT_MIN, INT_MAX)},
    {"Screen/CentreX", realKey(&SimProfile::screenCentreX, -5000, 5000)},
    {"Screen/CentreY", realKey(&SimProfile::screenCentreY, -5000, 5000)},
    {"Screen/WidthFraction", realKey(&SimProfile::screenWidthFraction, 0.05, 2.0)},
    {"Screen/Roll", realKey(&SimProfile::screenRoll, -45, 45)},
    {"Screen/Keystone", realKey(&SimProfile::screenKeystone, -0.5, 0.5)},
    {"Screen/ObstacleLeft", obstacleKey(0)},
    {"Screen/ObstacleTop", obstacleKey(1)},
    {"Screen/ObstacleWidth", obstacleKey(2)},
    {"Screen/ObstacleHeight", obstacleKey(3)},
    {"Screen/TurnedAway", boolKey(&SimProfile::turnedAway)},
    {"Screen/Monitor", intKey(&SimProfile::screenMonitor, 0, 16)},
    {"Lens/ShiftX", realKey(&SimProfile::lensShiftX, -200, 200)},
    {"Lens/ShiftY", realKey(&SimProfile::lensShiftY, -200, 200)},
    {"Lens/DistortionScale", realKey(&SimProfile::lensDistortionScale, 0, 3)},
    {"Light/Ambient", realKey(&SimProfile::ambient, 0, 255)},
    {"Light/ProjectorBlack", realKey(&SimProfile::projectorBlack, 0, 255)},
    {"Light/ProjectorWhite", realKey(&SimProfile::projectorWhite, 0, 255)},
    {"Light/Vignetting", realKey(&SimProfile::vignetting, 0, 1)},
    {"Light/Blur", realKey(&SimProfile::blurSigma, 0, 10)},
    {"Light/Noise", realKey(&SimProfile::noiseSigma, 0, 50)},
    {"Light/Seed", intKey(&SimProfile::lightSeed, 0, INT_MAX)},
    {"Light/Supersampling", intKey(&SimProfile::supersampling, 1, 8)},
    {"Pen/Offsets", penOffsetsKey()},
    {"Pen/Jitter", realKey(&SimProfile::penJitter, 0, 50)},
    {"Pen/Seed", intKey(&SimProfile::penSeed, 0, INT_MAX)},
    {"Pen/HoldMs", intKey(&SimProfile::penHoldMs, 0, 60000)},
    {"Pen/LiftEarlyOn", intKey(&SimProfile::liftEarlyOn, -1, 24)},
    {"Pen/GoBackAfter", intKey(&SimProfile::goBackAfter, -1, 24)},
    {"Touch/RatioErrorX", realKey(&SimProfile::ratioErrorX, 0.5, 2)},
    {"Touch/RatioErrorY", realKey(&SimProfile::ratioErrorY, 0.5, 2)},
    {"Module/SerialNumber", serialKey()},
    {"Module/MaskFile", maskFileKey()},
    {"Module/StoreFile", storeFileKey()},
};

bool knownKey(const QString& key) {
    return std::any_of(std::begin(kKeys), std::end(kKeys),
                       [&key](const auto& entry) { return key == QLatin1String(entry.first); });
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
        if (!knownKey(key)) {
            *error = QStringLiteral("profile %1: unknown key %2").arg(path, key);
            return false;
        }
    }

    SimProfile p;
    const Source source{ini, info.dir()};
    for (const auto& [key, read] : kKeys) {
        if (!read(source, QString::fromLatin1(key), p, error))
            return false;
    }
    *profile = p;
    return true;
}
