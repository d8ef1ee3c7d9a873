#include "Reference.h"

#include <QFile>
#include <QTextStream>
#include <algorithm>

namespace {

QStringList linesOf(const ReferenceRun& run) {
    return QStringList{run.header} + run.scenes;
}

} // namespace

bool ReferenceRun::write(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&file);
    for (const QString& line : linesOf(*this))
        out << line << '\n';
    return out.status() == QTextStream::Ok;
}

bool ReferenceRun::matches(const QString& path, QString& difference) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        difference = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    const QStringList expected = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const QStringList actual = linesOf(*this);
    for (int i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const QString want = i < expected.size() ? expected[i] : QStringLiteral("(nothing)");
        const QString got = i < actual.size() ? actual[i] : QStringLiteral("(nothing)");
        if (want != got) {
            difference = QStringLiteral("line %1\n  reference: %2\n  this run:  %3")
                             .arg(i + 1)
                             .arg(want, got);
            return false;
        }
    }
    return true;
}
