#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the debug log while it lives, from every thread, so tests can check log lines.
// The program's threads log on while a capture goes away: one process-wide lock covers both
// the current capture and its lines, so a thread is either done appending before the capture
// is destroyed or finds no capture at all.
class LogCapture {
public:
    LogCapture() {
        QMutexLocker lock(&guard());
        current() = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() {
        QMutexLocker lock(&guard());
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const {
        QMutexLocker lock(&guard());
        return m_lines;
    }
    void clear() {
        QMutexLocker lock(&guard());
        m_lines.clear();
    }
    int count(const QString& needle) const {
        int n = 0;
        for (const QString& line : lines())
            n += line.contains(needle) ? 1 : 0;
        return n;
    }
    bool contains(const QString& needle) const { return count(needle) > 0; }

private:
    // Never destroyed while a thread may still log: it needs no destructor at all.
    static QBasicMutex& guard() {
        static QBasicMutex lock;
        return lock;
    }
    static LogCapture*& current() {
        static LogCapture* capture = nullptr;
        return capture;
    }
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message) {
        QMutexLocker lock(&guard());
        if (LogCapture* self = current())
            self->m_lines.append(message);
    }

    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};
