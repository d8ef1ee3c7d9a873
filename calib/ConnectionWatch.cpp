// The connection watch: on its own thread, it looks for the module every 5 s, opens the link
// when the module comes, drops a link that no longer serves, and tells the panel what it saw.
#include "calib/TvMainCtrl.h"
#include "device/CamDevCtrl.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>
#include <QThread>

namespace {

// The watch looks every 5 s but sees a stop request within a tenth of a second.
constexpr int kWatchPauses = 50;
constexpr int kWatchPauseMs = 100;
// The opening requests are answered within a second or two by a working module; a time-out,
// not a pause, so tests do not shorten it.
constexpr qint64 kOpeningDeadlineMs = 10000;
// Searching longer than this, the status line says what to check.
constexpr int kNoModuleHintMs = 10000;

ConnectionStatus statusOf(Transport::OpenFailure failure) {
    switch (failure) {
    case Transport::OpenFailure::PermissionDenied:
        return ConnectionStatus::PermissionDenied;
    case Transport::OpenFailure::Busy:
        return ConnectionStatus::Busy;
    case Transport::OpenFailure::NotTheModule:
        return ConnectionStatus::NotTheModule;
    case Transport::OpenFailure::None:
        break;
    }
    return ConnectionStatus::Searching;
}

} // namespace

void TvMainCtrl::startCheckThread() {
    m_bStopCheck = false;
    m_pThreadCheckCam = QThread::create([this] { CheckCamConnectProc(); });
    m_pThreadCheckCam->start(QThread::InheritPriority);
}

void TvMainCtrl::CheckCamConnectProc() {
    qCDebug(lcCalib) << "CheckCamConnectProc: Thread ID =" << QThread::currentThreadId();
    while (!m_bStopCheck) {
        const bool present = m_pDevice->IsDeviceConnected(!m_bCamConnected);
        if (present)
            m_notFoundSince.invalidate();
        // An open link that no longer serves (the module replugged between two looks, its
        // transfers failing, the opening requests unanswered) is dropped and opened again now.
        if (present && m_bCamConnected) {
            const QString trouble = linkTrouble();
            if (!trouble.isEmpty()) {
                qCWarning(lcCalib).noquote() << "CheckCamConnectProc:" << trouble;
                m_bCamConnected = false;
                m_bFWSupported = 0;
                emit sigChangeUIState(false);
                showStatus(ConnectionStatus::NotAnswering);
            }
        }
        if (!present) {
            if (m_bCamConnected)
                m_pDevice->DeleteThread();
            m_bCamConnected = false;
            if (!pause::sleepMs(1000, m_bStopCheck))
                return;
            m_bFWSupported = 0;
            emit sigChangeUIState(false);
            showStatus(searchingStatus());
        } else if (!m_bCamConnected) {
            if (m_pDevice->OpenDevice()) {
                m_bCamConnected = true;
                m_openedAt.start();
                emit sigChangeUIState(true);
            } else {
                showStatus(statusOf(m_pDevice->openFailure()));
            }
        }
        for (int i = 0; i < kWatchPauses && !m_bStopCheck; ++i) {
            if (m_bCamConnected)
                showLinkHealth();
            pause::sleepMs(kWatchPauseMs);
        }
    }
}

// A while without a module: the status line says what to check, from what the bus shows.
ConnectionStatus TvMainCtrl::searchingStatus() {
    if (!m_notFoundSince.isValid())
        m_notFoundSince.start();
    if (!m_notFoundSince.hasExpired(pause::scaledMs(kNoModuleHintMs)))
        return ConnectionStatus::Searching;
    return m_pDevice->IsDeviceConnected(false) ? ConnectionStatus::NotReady
                                               : ConnectionStatus::NotFound;
}

QString TvMainCtrl::linkTrouble() {
    if (m_pDevice->IsLinkLost())
        return QStringLiteral("the module was replugged, the link is lost");
    if (m_pDevice->IsLinkBroken())
        return QStringLiteral("the module does not answer, opening the link again");
    const int answers = m_pDevice->OpeningAnswers();
    if (answers != CamDevCtrl::kAllOpeningAnswers && m_openedAt.hasExpired(kOpeningDeadlineMs))
        return QStringLiteral("no %1 within %2 s of opening, opening the link again")
            .arg(CamDevCtrl::missingAnswers(answers))
            .arg(kOpeningDeadlineMs / 1000);
    return QString();
}

// "Connected" once the opening requests are answered, and only while the link serves.
void TvMainCtrl::showLinkHealth() {
    if (m_pDevice->IsLinkLost() || m_pDevice->IsLinkBroken()) {
        if (m_eShownStatus != ConnectionStatus::NotAnswering)
            showStatus(ConnectionStatus::NotAnswering);
    } else if (m_pDevice->OpeningAnswers() == CamDevCtrl::kAllOpeningAnswers &&
               m_eShownStatus != ConnectionStatus::Connected) {
        showStatus(ConnectionStatus::Connected);
    }
}

void TvMainCtrl::showStatus(ConnectionStatus status) {
    m_eShownStatus = status;
    if (status == ConnectionStatus::Connected)
        emit sigConnectionStatus(status, m_pDevice->serialNumber(), m_pDevice->inputDeviceName());
    else
        emit sigConnectionStatus(status, QString(), QString());
}
