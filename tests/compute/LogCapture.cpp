#include "LogCapture.h"

namespace {
LogCapture* g_capture = nullptr;
}

LogCapture::LogCapture() : m_previous(qInstallMessageHandler(&LogCapture::handler)) {
    g_capture = this;
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(m_previous);
    g_capture = nullptr;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& msg) {
    if (g_capture)
        g_capture->m_lines.append(msg);
}
