#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The keys one section of a language file must hold.
struct SectionKeys {
    QString name;
    QStringList keys;
};

// The sections of every language file, and of the index file.
QVector<SectionKeys> languageFileLayout();
QVector<SectionKeys> indexFileLayout();

// Everything wrong with the file at path: its bytes (byte-order mark, CR LF, "key TAB = TAB
// value" lines) and what the INI reader with codec UTF-8 makes of it (every key of the layout,
// no other key, each text non-empty and equal to the value as written, without its quotes).
QStringList languageFileProblems(const QString& path, const QVector<SectionKeys>& layout);
