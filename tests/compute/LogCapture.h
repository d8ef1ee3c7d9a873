#pragma once

#include <QRegularExpression>
#include <QStringList>
#include <QtGlobal>

// Takes over the debug log while it lives: lines are kept for inspection instead of printed,
// since a fit writes thousands of them.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    bool contains(const QString& line) const { return m_lines.contains(line); }
    int count(const QString& line) const { return m_lines.count(line); }
    int count(const QRegularExpression& re) const { return m_lines.filter(re).size(); }
    void clear() { m_lines.clear(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& msg);

    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};
