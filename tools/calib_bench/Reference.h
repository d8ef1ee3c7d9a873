#pragma once

#include <QString>
#include <QStringList>

// The untweaked centres of every scene of a run, one line per scene, kept in a file so that a
// later run can be checked against it to the last printed digit (floats print exactly).
struct ReferenceRun {
    QString header; // the corpus: seed and scenes per window size
    QStringList scenes;

    bool write(const QString& path) const;
    // Compares with the file; on a difference fills what differs and returns false.
    bool matches(const QString& path, QString& difference) const;
};
