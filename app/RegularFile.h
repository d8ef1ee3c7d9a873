#pragma once

#include <QByteArray>
#include <QString>

// A file that other users can name: it is read or written only when it is a regular file with
// a single name. A link is never followed, a FIFO or device is never waited on, and the file is
// rewritten in place, never replaced, so nothing else in its folder is created or touched.
namespace regular_file {

enum class Status { Ok, Missing, Refused };

struct ReadResult {
    Status status = Status::Missing;
    QByteArray content;
    QString reason; // why it was refused
};

// Refuses a file larger than maxBytes.
ReadResult read(const QString& path, qint64 maxBytes);

// Creates the file when it does not exist; false with the reason when nothing was written.
bool write(const QString& path, const QByteArray& content, QString* reason);

} // namespace regular_file
