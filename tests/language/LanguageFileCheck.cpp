#include "LanguageFileCheck.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSettings>
#include <QTextCodec>

namespace {

QStringList numberedKeys(const QString& prefix, int first, int count) {
    QStringList keys;
    for (int i = 0; i < count; ++i)
        keys.append(prefix + QString::number(first + i));
    return keys;
}

// The text a written value stands for: quotes enclose it and are not part of it.
QString writtenText(const QString& value) {
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        return value.mid(1, value.size() - 2);
    return value;
}

// Section name -> key -> written text, from the raw bytes; problems are appended.
QHash<QString, QHash<QString, QString>> readRaw(const QByteArray& bytes, QStringList& problems) {
    QHash<QString, QHash<QString, QString>> sections;
    const QByteArray bom("\xEF\xBB\xBF");
    if (!bytes.startsWith(bom))
        problems.append(QStringLiteral("no UTF-8 byte-order mark"));

    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(
        bytes.constData() + bom.size(), bytes.size() - bom.size(), &state);
    if (state.invalidChars > 0)
        problems.append(QStringLiteral("not valid UTF-8"));

    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString())
        problems.append(QStringLiteral("last line does not end with CR LF"));

    static const QRegularExpression header(QStringLiteral("^\\[([^\\]]+)\\]\\t*$"));
    static const QRegularExpression entry(QStringLiteral("^([^\\t=\\s]+)\\t=\\t(.+)$"));
    QString section;
    for (int n = 0; n < lines.size(); ++n) {
        const QString& line = lines.at(n);
        const QString where = QStringLiteral("line %1: ").arg(n + 1);
        if (line.contains('\r') || line.contains('\n')) {
            problems.append(where + QStringLiteral("line end other than CR LF"));
        } else if (line.isEmpty()) {
            continue;
        } else if (const auto m = header.match(line); m.hasMatch()) {
            section = m.captured(1);
        } else if (const auto e = entry.match(line); e.hasMatch()) {
            const QString text = writtenText(e.captured(2));
            if (sections[section].contains(e.captured(1)))
                problems.append(where + QStringLiteral("duplicate key ") + e.captured(1));
            if (text.contains('"') || text.contains('\\'))
                problems.append(where + QStringLiteral("quote or backslash inside the text"));
            sections[section].insert(e.captured(1), text);
        } else {
            problems.append(where + QStringLiteral("not \"key TAB = TAB value\": ") + line);
        }
    }
    return sections;
}

} // namespace

QVector<SectionKeys> languageFileLayout() {
    return {
        {QStringLiteral("TRAY ICON MENU"), numberedKeys(QStringLiteral("T"), 1, 11)},
        {QStringLiteral("CONFIGURATION"), numberedKeys(QStringLiteral("C"), 1, 37)},
        {QStringLiteral("CALIBRATION WINDOW"), numberedKeys(QStringLiteral("CW"), 1, 5)},
        {QStringLiteral("MESSAGEBOX"), numberedKeys(QStringLiteral("M"), 1, 27)},
        {QStringLiteral("AutoUpdate"), numberedKeys(QString(), 2100, 7)},
        {QStringLiteral("ConnectionCheck"), numberedKeys(QStringLiteral("CC"), 1, 2)},
        {QStringLiteral("AlignmentView"), numberedKeys(QStringLiteral("AV"), 1, 2)},
        {QStringLiteral("PanelStatus"), numberedKeys(QStringLiteral("PS"), 1, 12)},
        {QStringLiteral("ScreenChoice"), numberedKeys(QStringLiteral("SC"), 1, 9)},
        {QStringLiteral("CalibrationStatus"), numberedKeys(QStringLiteral("CS"), 1, 9)},
        {QStringLiteral("AccuracyCheck"), numberedKeys(QStringLiteral("AK"), 1, 13)},
    };
}

QVector<SectionKeys> indexFileLayout() {
    return {{QStringLiteral("Language"), numberedKeys(QStringLiteral("L"), 1, 24)}};
}

QStringList languageFileProblems(const QString& path, const QVector<SectionKeys>& layout) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open ") + path};
    QStringList problems;
    const auto raw = readRaw(file.readAll(), problems);

    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QStringList expectedSections;
    for (const SectionKeys& section : layout) {
        expectedSections.append(section.name);
        const QHash<QString, QString> written = raw.value(section.name);
        for (const QString& key : written.keys()) {
            if (!section.keys.contains(key))
                problems.append(section.name + QStringLiteral(": unexpected key ") + key);
        }
        settings.beginGroup(section.name);
        for (const QString& key : section.keys) {
            const QString where = section.name + '/' + key + QStringLiteral(": ");
            const QString text = settings.value(key).toString();
            if (!written.contains(key))
                problems.append(where + QStringLiteral("missing"));
            else if (text.isEmpty())
                problems.append(where + QStringLiteral("reads as an empty text"));
            else if (text != written.value(key))
                problems.append(where + QStringLiteral("reads as \"") + text +
                                QStringLiteral("\", written \"") + written.value(key) + '"');
        }
        settings.endGroup();
    }
    for (const QString& section : raw.keys()) {
        if (!expectedSections.contains(section))
            problems.append(QStringLiteral("unexpected section ") + section);
    }
    return problems;
}
