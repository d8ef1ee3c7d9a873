#include "LogCapture.h"

#include <mutex>

namespace {

// The sweeps log from OpenCV's worker threads: appends are serialised, and a capture goes
// away only between two of them.
std::mutex g_lock;
LogCapture* g_capture = nullptr;

} // namespace

LogCapture::LogCapture() {
    const std::lock_guard<std::mutex> lock(g_lock);
    m_previous = qInstallMessageHandler(&LogCapture::handler);
    g_capture = this;
}

LogCapture::~LogCapture() {
    const std::lock_guard<std::mutex> lock(g_lock);
    qInstallMessageHandler(m_previous);
    g_capture = nullptr;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& msg) {
    const std::lock_guard<std::mutex> lock(g_lock);
    if (g_capture)
        g_capture->m_lines.append(msg);
}
