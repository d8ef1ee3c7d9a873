#pragma once

#include <QString>

// Where the log lines go once the program runs: every line into a file of bounded size (the
// older half kept as FILE.1), and to the terminal only warnings and above and the few
// information lines, unless verbose. The logging rules (--quiet, QT_LOGGING_RULES) choose the
// lines before they get here. A file that cannot be opened leaves the terminal as it was.
namespace log_file {

// Bytes before the file starts over (its previous content kept as PATH.1).
constexpr qint64 kMaxBytes = 2 * 1024 * 1024;

void install(const QString& path, bool verbose);

} // namespace log_file
