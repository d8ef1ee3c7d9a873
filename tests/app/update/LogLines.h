#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QThread>
#include <QVector>

// Collects the debug log while it lives, with the thread that wrote each line, so that the
// update tests can see on which thread the callback and the question ran.
class LogLines {
public:
    struct Line {
        QString text;
        QThread* thread;
    };

    LogLines() {
        instance() = this;
        m_previous = qInstallMessageHandler(&LogLines::handler);
    }
    ~LogLines() {
        qInstallMessageHandler(m_previous);
        instance() = nullptr;
    }

    void clear() {
        QMutexLocker lock(&m_mutex);
        m_lines.clear();
    }
    // The first line containing needle; its thread is null when there is none.
    Line find(const QString& needle) const {
        QMutexLocker lock(&m_mutex);
        for (const Line& line : m_lines) {
            if (line.text.contains(needle))
                return line;
        }
        return Line{QString(), nullptr};
    }
    bool contains(const QString& needle) const { return find(needle).thread != nullptr; }

private:
    static LogLines*& instance() {
        static LogLines* current = nullptr;
        return current;
    }
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message) {
        if (LogLines* self = instance()) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines.append(Line{message, QThread::currentThread()});
        }
    }

    mutable QMutex m_mutex;
    QVector<Line> m_lines;
    QtMessageHandler m_previous = nullptr;
};
