#include "app/Settings.h"

#include "app/RegularFile.h"
#include "app/language/LanguageTable.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <climits>

namespace settings {

namespace {

// The file holds two small numbers; anything much larger is not ours.
constexpr qint64 kMaxFileBytes = 4096;
constexpr int kMaxPenSelection = 1;

// Text that is not a number reads as 0, as it always has.
int numberOf(const QByteArray& text) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return ok ? int(qBound<qlonglong>(INT_MIN, value, INT_MAX)) : 0;
}

// Only the two keys of section "Configuration" are read, as plain numbers: every user may
// write this file, so nothing else in it is decoded or kept.
Values parse(const QByteArray& content) {
    Values values;
    bool inSection = false;
    for (const QByteArray& rawLine : content.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inSection = line.compare("[Configuration]", Qt::CaseInsensitive) == 0;
            continue;
        }
        const int equals = line.indexOf('=');
        if (!inSection || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const int value = numberOf(line.mid(equals + 1).trimmed());
        if (key.compare("LanguageID", Qt::CaseInsensitive) == 0)
            values.languageId = value >= 1 && value <= LanguageTable::kLanguageCount ? value : -1;
        else if (key.compare("PenSelection", Qt::CaseInsensitive) == 0)
            values.penSelection = qBound(0, value, kMaxPenSelection);
    }
    return values;
}

} // namespace

QString configFilePath() {
    QString base = qEnvironmentVariable("TIVORA_CONFIG_DIR");
    if (base.isEmpty())
        base = QStringLiteral("/var/lib");
    const QString path = base + QStringLiteral("/CORVAN/Tivora/") + QStringLiteral("config.ini");
    qCDebug(lcApp).noquote() << "configFilePath:" << path;
    return path;
}

QString accuracyReportPath() {
    return QFileInfo(configFilePath()).absolutePath() + QStringLiteral("/accuracy-check.json");
}

bool writeAccuracyReport(const QString& path, const QByteArray& json) {
    QString reason;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !regular_file::write(path, json, &reason)) {
        qCWarning(lcApp).noquote()
            << "accuracy check: could not write the report" << path << reason;
        return false;
    }
    qCDebug(lcApp).noquote() << "accuracy check: report written to" << path;
    return true;
}

Values readConfig() {
    const QString path = configFilePath();
    const regular_file::ReadResult file = regular_file::read(path, kMaxFileBytes);
    switch (file.status) {
    case regular_file::Status::Ok:
        return parse(file.content);
    case regular_file::Status::Refused:
        qCWarning(lcApp).noquote() << "readConfig: refused" << path << "(" + file.reason + "),"
                                   << "the defaults apply";
        break;
    case regular_file::Status::Missing:
        if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
            qCWarning(lcApp).noquote() << "readConfig: no settings folder"
                                       << QFileInfo(path).absolutePath() + ", the defaults apply";
        break;
    }
    return {};
}

void writeConfig(int languageIndex, int penSelection) {
    const QString path = configFilePath();
    const QByteArray content =
        QByteArrayLiteral("[Configuration]\nLanguageID=") + QByteArray::number(languageIndex + 1) +
        QByteArrayLiteral("\npenSelection=") + QByteArray::number(penSelection) + '\n';
    QString reason;
    // The choice still holds for this run; only the next start will not know it.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !regular_file::write(path, content, &reason))
        qCWarning(lcApp).noquote() << "writeConfig: could not save" << path;
}

} // namespace settings
