#include "app/update/relay/UpdateTexts.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>

namespace {

QString read(const QSettings& file, const char* key, const char* english) {
    const QString text = file.value(QLatin1String(key)).toString();
    return text.isEmpty() ? QLatin1String(english) : text;
}

} // namespace

UpdateTexts UpdateTexts::forLanguage(const QString& languageCode) {
    // Only a three-letter code names a language file; anything else reads English.
    static const QRegularExpression codePattern(QStringLiteral("^[A-Z]{3}$"));
    const QString code =
        codePattern.match(languageCode).hasMatch() ? languageCode : QStringLiteral("ENU");
    QString path = QStringLiteral(":/Language/l_") + code;
    if (!QFile::exists(path))
        path = QStringLiteral(":/Language/l_ENU");

    QSettings file(path, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    file.beginGroup(QStringLiteral("AutoUpdate"));
    UpdateTexts texts;
    texts.checking = read(file, "2100", "Checking for a new version...");
    texts.downloading = read(file, "2101", "Downloading the update...");
    texts.progressTitle = read(file, "2102", "Download progress");
    texts.verifying = read(file, "2103", "Verifying the downloaded files...");
    texts.complete = read(file, "2104", "The update is complete.");
    texts.failed = read(file, "2105", "The update failed. Please try again later.");
    texts.cancel = read(file, "2106", "Cancel");
    texts.bRightToLeft = code == QLatin1String("ARA") || code == QLatin1String("FAR") ||
                         code == QLatin1String("HEB");
    return texts;
}
