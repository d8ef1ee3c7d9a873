#include "log/LogFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <cstdio>

namespace log_file {

namespace {

// Lines come from every thread of the program.
QMutex& lock() {
    static QMutex mutex;
    return mutex;
}

QFile& file() {
    static QFile f;
    return f;
}

bool& verboseTerminal() {
    static bool verbose = false;
    return verbose;
}

void startOver() {
    QFile& f = file();
    const QString path = f.fileName();
    f.close();
    QFile::remove(path + QStringLiteral(".1"));
    QFile::rename(path, path + QStringLiteral(".1"));
    f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit() + '\n';
    QMutexLocker locker(&lock());
    if (verboseTerminal() || (type != QtDebugMsg)) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
    QFile& f = file();
    if (f.isOpen()) {
        if (f.size() + line.size() > kMaxBytes)
            startOver();
        f.write(line);
        f.flush();
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void install(const QString& path, bool verbose) {
    QMutexLocker locker(&lock());
    verboseTerminal() = verbose;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile& f = file();
    f.setFileName(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "tivora: cannot write the log %s: %s\n", qPrintable(path),
                     qPrintable(f.errorString()));
        if (verbose)
            return;
    }
    qInstallMessageHandler(handle);
}

} // namespace log_file
