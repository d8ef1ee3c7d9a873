#include "sim/ModuleStore.h"

#include "sim/RecordLayout.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

namespace {

const QByteArray kTag = QByteArrayLiteral("TVSIMNV1");

} // namespace

bool readModuleStore(const QString& path, StoredState* stored, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("store file %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kModuleStoreBytes + 1);
    if (bytes.size() != kModuleStoreBytes || !bytes.startsWith(kTag)) {
        *error = QStringLiteral("store file %1: not a module store of %2 bytes")
                     .arg(path)
                     .arg(kModuleStoreBytes);
        return false;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData()) + kTag.size();
    std::memcpy(stored->record.data(), data, kRecordBytes);
    stored->mask.assign(data + kRecordBytes, data + kRecordBytes + kMaskBytes);
    stored->ceiling = stored->record[rec::kCeiling];
    stored->rear = stored->record[rec::kRear];
    stored->finger = stored->record[rec::kModeFT];
    stored->lens = stored->record[rec::kLens];
    return true;
}

bool writeModuleStore(const QString& path, const StoredState& stored, QString* error) {
    QByteArray bytes = kTag;
    bytes.append(reinterpret_cast<const char*>(stored.record.data()), kRecordBytes);
    bytes.append(reinterpret_cast<const char*>(stored.mask.data()), int(stored.mask.size()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("store file %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
