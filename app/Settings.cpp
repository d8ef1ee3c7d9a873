#include "app/Settings.h"

#include "app/RegularFile.h"
#include "language/LanguageTable.h"
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
// Output names are short ("HDMI-1", "DP-2"); a longer one is not ours.
constexpr int kMaxScreenName = 64;
// Manufacturer, model and serial number.
constexpr int kMaxScreenIdentity = 192;
// Desktops are far smaller than this.
constexpr int kMaxScreenCoordinate = 1 << 20;

// Text that is not a number reads as 0, as it always has.
int numberOf(const QByteArray& text) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return ok ? int(qBound<qlonglong>(INT_MIN, value, INT_MAX)) : 0;
}

// A screen name is kept only as printable ASCII of reasonable length, so nothing odd reaches
// the log or the file again.
QString screenTextOf(const QByteArray& text, int maxSize) {
    if (text.size() > maxSize)
        return QString();
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E)
            return QString();
    }
    return QString::fromLatin1(text);
}

QString screenNameOf(const QByteArray& text) {
    return screenTextOf(text, kMaxScreenName);
}

// "x,y", each within the bounds of any desktop.
bool readPosition(const QByteArray& text, QPoint* position) {
    const QList<QByteArray> parts = text.split(',');
    if (parts.size() != 2)
        return false;
    bool okX = false;
    bool okY = false;
    const int x = parts[0].trimmed().toInt(&okX);
    const int y = parts[1].trimmed().toInt(&okY);
    if (!okX || !okY || qAbs(x) > kMaxScreenCoordinate || qAbs(y) > kMaxScreenCoordinate)
        return false;
    *position = QPoint(x, y);
    return true;
}

// Only the program's keys of section "Configuration" are read, as plain numbers and one
// plain name: every user may write this file, so nothing else in it is decoded or kept.
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
        const QByteArray text = line.mid(equals + 1).trimmed();
        const int value = numberOf(text);
        if (key.compare("CalibrationScreen", Qt::CaseInsensitive) == 0)
            values.calibrationScreen.name = screenNameOf(text);
        else if (key.compare("CalibrationScreenIdentity", Qt::CaseInsensitive) == 0)
            values.calibrationScreen.identity = screenTextOf(text, kMaxScreenIdentity);
        else if (key.compare("CalibrationScreenPosition", Qt::CaseInsensitive) == 0)
            values.calibrationScreen.hasPosition =
                readPosition(text, &values.calibrationScreen.position);
        else if (key.compare("LanguageID", Qt::CaseInsensitive) == 0)
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

QString stateFolder() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = !state.isEmpty() && QDir::isAbsolutePath(state)
                             ? state
                             : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/tivora");
}

QString accuracyReportPath(const QDateTime& time, const QString& monitor) {
    QString name;
    for (const QChar c : monitor) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.');
        name += plain ? c : QLatin1Char('_');
    }
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("screen"));
    return stateFolder() + QStringLiteral("/accuracy-check-") +
           time.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) + QLatin1Char('-') +
           name.left(kMaxScreenName) + QStringLiteral(".json");
}

bool writeAccuracyReport(const QString& path, const QByteArray& json, QString* reason) {
    const QString folder = QFileInfo(path).absolutePath();
    reason->clear();
    const bool made = QDir().mkpath(folder);
    if (!made)
        *reason = QStringLiteral("cannot make the folder ") + folder;
    if (!made || !regular_file::write(path, json, reason)) {
        if (reason->isEmpty())
            *reason = QStringLiteral("not written");
        qCWarning(lcApp).noquote()
            << "accuracy check: could not write the report" << path << *reason;
        return false;
    }
    qCInfo(lcApp).noquote() << "accuracy check: report written to" << path;
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

void writeConfig(int languageIndex, int penSelection, const ScreenChoice& calibrationScreen) {
    const QString path = configFilePath();
    QByteArray content =
        QByteArrayLiteral("[Configuration]\nLanguageID=") + QByteArray::number(languageIndex + 1) +
        QByteArrayLiteral("\npenSelection=") + QByteArray::number(penSelection) + '\n';
    const QString screen = screenNameOf(calibrationScreen.name.toLatin1());
    if (!screen.isEmpty() && screen == calibrationScreen.name)
        content += QByteArrayLiteral("CalibrationScreen=") + screen.toLatin1() + '\n';
    const QString identity =
        screenTextOf(calibrationScreen.identity.toLatin1(), kMaxScreenIdentity);
    if (!identity.isEmpty() && identity == calibrationScreen.identity)
        content += QByteArrayLiteral("CalibrationScreenIdentity=") + identity.toLatin1() + '\n';
    if (calibrationScreen.hasPosition)
        content += QByteArrayLiteral("CalibrationScreenPosition=") +
                   QByteArray::number(calibrationScreen.position.x()) + ',' +
                   QByteArray::number(calibrationScreen.position.y()) + '\n';
    QString reason;
    // The choice still holds for this run; only the next start will not know it.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !regular_file::write(path, content, &reason))
        qCWarning(lcApp).noquote() << "writeConfig: could not save" << path;
}

} // namespace settings
