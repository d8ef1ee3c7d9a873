#include "app/CalibrateCommand.h"

#include "app/ModuleReady.h"
#include "app/TvSetupDlg.h"
#include "calib/TvMainCtrl.h"
#include "display/UserMessage.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kOverallTimeoutMs = 5 * 60 * 1000;
// A module found and working answers the opening requests within seconds; the connection
// watch looks every 5 s and opens a link that does not answer again.
constexpr int kReadyTimeoutMs = 60 * 1000;

const char* kindName(CalibrateCommand::Kind kind) {
    switch (kind) {
    case CalibrateCommand::Kind::Auto:
        return "auto";
    case CalibrateCommand::Kind::Manual:
        return "manual";
    case CalibrateCommand::Kind::Tuning:
        return "tuning";
    case CalibrateCommand::Kind::Check:
        return "check";
    }
    return "";
}

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

CalibrateCommand::CalibrateCommand(TvSetupDlg* setupDlg, Kind kind, Verifier verifier)
    : QObject(setupDlg), m_pSetupDlg(setupDlg), m_eKind(kind), m_verifier(std::move(verifier)) {
    TvMainCtrl* ctrl = setupDlg->controller();
    // The check needs to know whether the module holds a calibration at all.
    auto* ready = new ModuleReady(ctrl, kind == Kind::Check, this);
    // Let the panel pass the options on to the calibration window first.
    connect(ready, &ModuleReady::ready, this, &CalibrateCommand::start, Qt::QueuedConnection);
    QTimer::singleShot(kReadyTimeoutMs, this, [this, ready] {
        if (!m_bStarted)
            finish(false, QStringLiteral("the module was not ready within %1 s (no %2)")
                              .arg(kReadyTimeoutMs / 1000)
                              .arg(ready->missing()));
    });
    // A calibration cannot go on over a link that broke; it would wait for its next step
    // until the overall time-out.
    connect(ctrl, &TvMainCtrl::sigConnectionStatus, this, [this](ConnectionStatus status) {
        if (m_bStarted && status == ConnectionStatus::NotAnswering)
            finish(false, QStringLiteral("the module stopped answering"));
    });
    connect(ctrl, &TvMainCtrl::sigClose, this, [this](int code) {
        if (code == 0 && m_eKind != Kind::Check)
            finish(true, QString());
    });
    connect(ctrl, &TvMainCtrl::sigAccuracyChecked, this, &CalibrateCommand::finishCheck);
    connect(ctrl, &TvMainCtrl::sigAccuracyCheckLeft, this, [this](bool completed) {
        if (!completed)
            finish(false, QStringLiteral("cancelled"));
    });
    connect(ctrl, &TvMainCtrl::sigAccuracyCheckFailed, this,
            [this](const QString& reason) { finish(false, reason); });
    const QString failed = setupDlg->language()->textM(TvMainCtrl::kMsgCalibrationFailed);
    user_message::setHandler([this, failed](user_message::Kind, const QString& text) {
        say(QStringLiteral("message: ") + text);
        if (text.startsWith(failed))
            QTimer::singleShot(0, this, [this, text] { finish(false, text); });
        return QMessageBox::Ok;
    });
    QTimer::singleShot(kOverallTimeoutMs, this,
                       [this] { finish(false, QStringLiteral("no result within 5 minutes")); });
}

CalibrateCommand::~CalibrateCommand() {
    user_message::setHandler(nullptr);
}

void CalibrateCommand::start() {
    m_bStarted = true;
    if (m_eKind == Kind::Check) {
        startCheck();
        return;
    }
    say(QStringLiteral("calibration %1: started").arg(QLatin1String(kindName(m_eKind))));
    switch (m_eKind) {
    case Kind::Auto:
        m_pSetupDlg->slotStartACalibration();
        break;
    case Kind::Manual:
        m_pSetupDlg->slotStartMCalibration();
        break;
    case Kind::Tuning:
        m_pSetupDlg->slotStartSCalibration();
        break;
    case Kind::Check:
        break;
    }
    if (!m_pSetupDlg->controller()->fwSupported())
        finish(false, QStringLiteral("the module's firmware does not allow calibration"));
}

void CalibrateCommand::startCheck() {
    if (!m_pSetupDlg->controller()->holdsCalibration()) {
        finish(false, QStringLiteral("the module holds no calibration"));
        return;
    }
    m_pSetupDlg->slotStartAccuracyCheck();
    if (!m_pSetupDlg->controller()->fwSupported())
        finish(false, QStringLiteral("the module's firmware does not allow calibration"));
}

// The figures as one line; the report is written by the setup window on the same signal,
// connected first. A record that could not be kept fails the run as well.
void CalibrateCommand::finishCheck() {
    if (m_bFinished)
        return;
    const AccuracyCheck& check = m_pSetupDlg->controller()->accuracyCheck();
    m_bFinished = true;
    say(QStringLiteral("accuracy check: ") + check.summaryLine());
    const QString reportError = m_pSetupDlg->reportError();
    if (!reportError.isEmpty())
        say(QStringLiteral("accuracy check: failed: could not write the report %1: %2")
                .arg(m_pSetupDlg->lastReportPath(), reportError));
    const bool passed = check.passed() && reportError.isEmpty();
    QTimer::singleShot(m_pSetupDlg->successPause(),
                       [passed] { QCoreApplication::exit(passed ? 0 : 1); });
}

void CalibrateCommand::finish(bool success, const QString& reason) {
    if (m_bFinished)
        return;
    m_bFinished = true;
    if (m_eKind == Kind::Check) {
        say(QStringLiteral("accuracy check: failed: ") + reason);
        QCoreApplication::exit(1);
        return;
    }
    const QString name = QLatin1String(kindName(m_eKind));
    if (success) {
        say(QStringLiteral("calibration %1: succeeded").arg(name));
        if (m_verifier)
            say(m_verifier());
    } else {
        say(QStringLiteral("calibration %1: failed: %2").arg(name, reason));
    }
    // A success ends once the calibration window has said so.
    const int pause = success ? m_pSetupDlg->successPause() : 0;
    QTimer::singleShot(pause, [success] { QCoreApplication::exit(success ? 0 : 1); });
}
