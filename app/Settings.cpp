#include "app/Settings.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace settings {

QString configFilePath() {
    QString base = qEnvironmentVariable("TIVORA_CONFIG_DIR");
    if (base.isEmpty())
        base = QStringLiteral("/var/lib");
    const QString path = base + QStringLiteral("/CORVAN/Tivora/") + QStringLiteral("config.ini");
    qDebug().noquote() << "configFilePath:" << path;
    return path;
}

Values readConfig() {
    Values values;
    const QString path = configFilePath();
    if (!QFileInfo::exists(path))
        return values;
    QSettings ini(path, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    ini.beginGroup(QStringLiteral("Configuration"));
    // Keys are matched without regard to case: the pen key is written "penSelection".
    for (const QString& key : ini.childKeys()) {
        if (key.compare(QLatin1String("LanguageID"), Qt::CaseInsensitive) == 0)
            values.languageId = ini.value(key).toInt();
        else if (key.compare(QLatin1String("PenSelection"), Qt::CaseInsensitive) == 0)
            values.penSelection = ini.value(key).toInt();
    }
    ini.endGroup();
    return values;
}

void writeConfig(int languageIndex, int penSelection) {
    const QString path = configFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings ini(path, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    ini.beginGroup(QStringLiteral("Configuration"));
    for (const QString& key : ini.childKeys())
        if (key.compare(QLatin1String("PenSelection"), Qt::CaseInsensitive) == 0 ||
            key.compare(QLatin1String("LanguageID"), Qt::CaseInsensitive) == 0)
            ini.remove(key);
    ini.setValue(QStringLiteral("LanguageID"), QString::number(languageIndex + 1));
    ini.setValue(QStringLiteral("penSelection"), QString::number(penSelection));
    ini.endGroup();
    ini.sync();
    // The choice still holds for this run; only the next start will not know it.
    if (ini.status() != QSettings::NoError)
        qWarning().noquote() << "writeConfig: could not save" << path;
}

} // namespace settings
