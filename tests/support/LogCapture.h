#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the debug log while it lives, from every thread, so tests can check log lines.
class LogCapture {
public:
    LogCapture() {
        instance() = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        instance() = nullptr;
    }

    QStringList lines() const {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    void clear() {
        QMutexLocker lock(&m_mutex);
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
    static LogCapture*& instance() {
        static LogCapture* current = nullptr;
        return current;
    }
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message) {
        if (LogCapture* self = instance()) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines.append(message);
        }
    }

    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};
