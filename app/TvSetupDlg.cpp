#include "app/TvSetupDlg.h"

#include "align/AlignmentDlg.h"
#include "app/Settings.h"
#include "app/TouchMappingHint.h"
#include "app/panel/MainDlg.h"
#include "app/update/UpdateLoader.h"
#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "device/CamDevCtrl.h"
#include "display/KqUtils.h"
#include "display/UserMessage.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPixmap>
#include <QThread>
#include <QTimer>

namespace {

constexpr int kMsgCannotConnect = 0; // "M1"
constexpr int kInitialGainStep = 5;
constexpr int kSuccessPauseMs = 1500;
// Entries of the screen choice texts.
constexpr int kTextNoScreen = 2;
constexpr int kTextFound = 4;
// Entries of the accuracy check's texts.
constexpr int kCheckNoCalibration = 8;
constexpr int kCheckReportNotWritten = 11;

} // namespace

TvSetupDlg::TvSetupDlg(QWidget* parent, bool autoUpdate, std::unique_ptr<Transport> transport)
    : QDialog(parent),
      // Scripted runs end at once.
      m_nSuccessPauseMs(qEnvironmentVariableIntValue("TIVORA_UNATTENDED") == 1 ? 0
                                                                               : kSuccessPauseMs),
      m_bOfferCheck(qEnvironmentVariableIntValue("TIVORA_UNATTENDED") != 1) {
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("TvSetupDlg"));
    resize(400, 300);
    setWindowTitle(QStringLiteral("TvSetupDlg"));
    QMetaObject::connectSlotsByName(this);

    m_pLanguage = new LanguageTable();
    m_toolkitLanguage.follow(*m_pLanguage);
    const settings::Values config = settings::readConfig();
    m_pLanguage->loadLanguage(config.languageId);
    qCDebug(lcApp) << "iniPenSelect :" << config.penSelection;
    m_storedScreen = config.calibrationScreen;
    KqUtils::setCalibrationScreen(m_storedScreen);

    m_pMainCtrl = new TvMainCtrl(nullptr, m_pLanguage, std::move(transport));
    m_pMainCtrl->setParent(this);
    m_pMainCtrl->setPenType(config.penSelection);
    connect(m_pMainCtrl, &TvMainCtrl::sigUpdateAlignImage, this, &TvSetupDlg::slotUpdateAlignImage);
    connect(m_pMainCtrl, &TvMainCtrl::sigChangeUIState, this, &TvSetupDlg::slotChangeUIState);
    connect(m_pMainCtrl, &TvMainCtrl::sigSetFWVersion, this, &TvSetupDlg::slotSetFWVersion);
    connect(m_pMainCtrl, &TvMainCtrl::sigSetFWOption, this, &TvSetupDlg::slotSetFWOption);
    connect(m_pMainCtrl, &TvMainCtrl::sigReceiveMask, this, &TvSetupDlg::slotReceiveMask);
    connect(m_pMainCtrl, &TvMainCtrl::sigClose, this, &TvSetupDlg::slotCalibrationClosed);
    connect(m_pMainCtrl, &TvMainCtrl::sigAccuracyChecked, this, &TvSetupDlg::slotAccuracyChecked);
    connect(m_pMainCtrl, &TvMainCtrl::sigAccuracyCheckLeft, this,
            &TvSetupDlg::slotAccuracyCheckLeft);

    m_psMainDlg = new MainDlg(nullptr, m_pLanguage);
    connect(m_psMainDlg, &MainDlg::sigStartAlignmentDisplay, this,
            &TvSetupDlg::slotStartAlignmentDisplay);
    connect(m_psMainDlg, &MainDlg::sigStartACalibration, this, &TvSetupDlg::slotStartACalibration);
    connect(m_psMainDlg, &MainDlg::sigStartMCalibration, this, &TvSetupDlg::slotStartMCalibration);
    connect(m_psMainDlg, &MainDlg::sigStartSCalibration, this, &TvSetupDlg::slotStartSCalibration);
    connect(m_psMainDlg, &MainDlg::sigSetCeiling, this, &TvSetupDlg::slotSetCeiling);
    connect(m_psMainDlg, &MainDlg::sigSetRear, this, &TvSetupDlg::slotSetRear);
    connect(m_psMainDlg, &MainDlg::sigSetFingerMode, this, &TvSetupDlg::slotSetFingerMode);
    connect(m_psMainDlg, &MainDlg::sigSetPenSelect, this, &TvSetupDlg::slotSetPenSelect);
    connect(m_psMainDlg, &MainDlg::sigSetLens, this, &TvSetupDlg::slotSetLens);
    connect(m_psMainDlg, &MainDlg::sigClose, this, &TvSetupDlg::slotCloseDlg);
    connect(m_psMainDlg, &MainDlg::sigStartAccuracyCheck, this,
            &TvSetupDlg::slotStartAccuracyCheck);
    connect(m_psMainDlg, &MainDlg::sigFindScreen, this, &TvSetupDlg::findScreen);
    connect(m_psMainDlg, &MainDlg::sigOpenMaskEditor, this, [this] {
        slotStartAlignmentDisplay();
        if (!m_psAlignDlg->isMaskMode())
            m_psAlignDlg->on_pushB_clicked();
    });
    connect(m_pMainCtrl, &TvMainCtrl::sigCalibrationHeld, m_psMainDlg,
            &MainDlg::SetCalibrationHeld);
    connect(m_pMainCtrl, &TvMainCtrl::sigConnectionStatus, m_psMainDlg,
            &MainDlg::SetConnectionStatus);
    // Queued from the connection watch, like the panel's status line.
    connect(m_pMainCtrl, &TvMainCtrl::sigConnectionStatus, this,
            [this](ConnectionStatus, const QString&, const QString& inputDevice) {
                m_sInputDevice = inputDevice;
            });

    m_psAlignDlg = new AlignmentDlg(m_pLanguage);
    connect(m_psAlignDlg, &AlignmentDlg::sigCamParamSend, this, &TvSetupDlg::slotCamParamSend);
    connect(m_psAlignDlg, &AlignmentDlg::sigStopAlignmentDisplay, this,
            &TvSetupDlg::slotStopAlignmentDisplay);
    connect(m_psAlignDlg, &AlignmentDlg::sigSetBin, this, &TvSetupDlg::slotSetBin);
    connect(m_psAlignDlg, &AlignmentDlg::sigCamParamSendWait, this,
            &TvSetupDlg::slotCamParamSendWait);
    m_psAlignDlg->SetGainStep(kInitialGainStep);

    m_pScreenFinder = new ScreenFinder(m_pMainCtrl, m_pLanguage, this);
    connect(m_pScreenFinder, &ScreenFinder::sigFinished, this, &TvSetupDlg::onScreenSearched);

    if (autoUpdate) {
        m_pUpdateLoader = new UpdateLoader(this, m_pLanguage);
        m_pUpdateLoader->loadUpdateComponent();
    }
}

TvSetupDlg::~TvSetupDlg() {
    const int penType = m_pMainCtrl ? m_pMainCtrl->calibDlg()->m_nPenSelect : 0;
    if (m_pMainCtrl) {
        m_pMainCtrl->releaseCalibDlg();
        m_pMainCtrl->disconnect(this);
        delete m_pMainCtrl;
        m_pMainCtrl = nullptr;
    }
    if (m_pLanguage) {
        settings::writeConfig(m_pLanguage->languageIndex(), penType, m_storedScreen);
        delete m_pLanguage;
        m_pLanguage = nullptr;
    }
    if (m_psMainDlg) {
        m_psMainDlg->disconnect(this);
        m_psMainDlg->hide();
        delete m_psMainDlg;
    }
    if (m_psAlignDlg) {
        m_psAlignDlg->disconnect(this);
        m_psAlignDlg->hide();
        delete m_psAlignDlg;
    }
    delete m_pUpdateLoader;
}

void TvSetupDlg::start() {
    m_psMainDlg->show();
    m_psMainDlg->activateWindow();
    m_psMainDlg->SetLanguageText();
    m_psMainDlg->InitLayout();
    m_psMainDlg->SetPenType(m_pMainCtrl->calibDlg()->m_nPenSelect);
    m_pMainCtrl->startCheckThread();
    showMinimized();
    hide();
}

void TvSetupDlg::closeEvent(QCloseEvent*) {
    pause::sleepMs(100);
    QCoreApplication::exit(0);
}

void TvSetupDlg::slotSetFWVersion(QString sVersion) {
    m_psMainDlg->SetFWVersion(sVersion);
    m_psAlignDlg->SetFWVersion(sVersion);
}

void TvSetupDlg::slotSetFWOption(unsigned char ceiling, unsigned char rear, unsigned char finger,
                                 unsigned char lens) {
    m_psMainDlg->SetFWOption(ceiling, rear, finger, lens);
}

void TvSetupDlg::slotReceiveMask(unsigned char* mask, int len) {
    qCDebug(lcApp) << "TvSetupDlg::slotReceiveMask :" << len;
    m_psAlignDlg->SetReceiveMask(mask, len);
}

void TvSetupDlg::slotStartAlignmentDisplay() {
    if (m_psAlignDlg->isVisible())
        return;
    m_pMainCtrl->startLiveImage();
    m_psAlignDlg->SetAlignmentDisplay(true);
    m_psAlignDlg->showOnMonitor();
}

void TvSetupDlg::slotStopAlignmentDisplay(bool bMask) {
    m_pMainCtrl->stopLiveImage();
    m_psAlignDlg->SetAlignmentDisplay(false);
    if (bMask) {
        qCDebug(lcApp) << "m_psAlignDlg->m_pMaskBufBit size :" << CamDevCtrl::kMaskSize;
        m_pMainCtrl->sendMask(m_psAlignDlg->m_pMaskBufBit, CamDevCtrl::kMaskSize);
    }
}

void TvSetupDlg::leaveAlignmentForCalibration() {
    m_pMainCtrl->stopLiveImage();
    m_psAlignDlg->SetAlignmentDisplay(false);
    m_psAlignDlg->hide();
}

void TvSetupDlg::slotStartACalibration() {
    leaveAlignmentForCalibration();
    if (!searchScreenFirst(Pending::Auto))
        m_pMainCtrl->StartAutoCalibration();
}

void TvSetupDlg::slotStartMCalibration() {
    leaveAlignmentForCalibration();
    if (!searchScreenFirst(Pending::Manual))
        m_pMainCtrl->StartManualCalibration();
}

void TvSetupDlg::slotStartSCalibration() {
    leaveAlignmentForCalibration();
    if (!searchScreenFirst(Pending::SemiAuto))
        m_pMainCtrl->StartSemiAutoCalibration();
}

void TvSetupDlg::useScreenForThisRun(const QString& name) {
    ScreenChoice choice;
    choice.name = name;
    KqUtils::setCalibrationScreen(choice);
    m_bScreenChosen = true;
}

bool TvSetupDlg::searchScreenFirst(Pending calibration) {
    if (m_pScreenFinder->isRunning())
        return true;
    // A chosen monitor that is connected is the one the calibration screen stands for.
    if (m_bScreenChosen || KqUtils::screens().size() < 2 || KqUtils::isCalibrationScreenConnected())
        return false;
    qCDebug(lcApp) << "several monitors and no calibration screen chosen: looking for it first";
    m_ePending = calibration;
    m_pScreenFinder->start();
    return true;
}

void TvSetupDlg::findScreen() {
    if (m_pScreenFinder->isRunning())
        return;
    leaveAlignmentForCalibration();
    m_ePending = Pending::None;
    m_pScreenFinder->start();
}

void TvSetupDlg::onScreenSearched(const ScreenFinder::Result& result) {
    m_bScreenChosen = true;
    const Pending calibration = m_ePending;
    m_ePending = Pending::None;
    if (result.outcome == ScreenFinder::Outcome::Found) {
        const QVector<ScreenDesc> screens = KqUtils::screensLeftToRight();
        if (result.number >= 1 && result.number <= screens.size())
            m_storedScreen = KqUtils::choiceOf(screens[result.number - 1]);
        KqUtils::setCalibrationScreen(m_storedScreen);
        if (calibration == Pending::None)
            user_message::information(
                nullptr, m_pLanguage->textSC(kTextFound).arg(result.number).arg(result.name));
    } else if (result.outcome == ScreenFinder::Outcome::OffMonitor) {
        // A calibration that waited meets the same desktop and fails with the same reason.
        if (calibration == Pending::None)
            user_message::critical(nullptr, m_pLanguage->textSC(TvMainCtrl::kTextOffMonitor)
                                                .arg(result.number)
                                                .arg(result.name));
    } else {
        // Nothing is stored; a calibration that waited goes ahead on the screen it had.
        user_message::information(nullptr, m_pLanguage->textSC(kTextNoScreen));
    }
    startPending(calibration);
}

void TvSetupDlg::startPending(Pending calibration) {
    switch (calibration) {
    case Pending::Auto:
        m_pMainCtrl->StartAutoCalibration();
        break;
    case Pending::Manual:
        m_pMainCtrl->StartManualCalibration();
        break;
    case Pending::SemiAuto:
        m_pMainCtrl->StartSemiAutoCalibration();
        break;
    case Pending::None:
        break;
    }
}

void TvSetupDlg::bringToFront() {
    qCInfo(lcApp) << "another start: bringing the window to the front";
    QWidget* front = m_psMainDlg;
    if (m_pMainCtrl->calibDlg()->isVisible())
        front = m_pMainCtrl->calibDlg();
    else if (m_psAlignDlg->isVisible())
        front = m_psAlignDlg;
    else if (m_psMainDlg->isMinimized())
        m_psMainDlg->showNormal();
    front->raise();
    front->activateWindow();
}

void TvSetupDlg::slotStartAccuracyCheck() {
    leaveAlignmentForCalibration();
    if (m_pMainCtrl->StartAccuracyCheck(false) == TvMainCtrl::CheckStart::NoCalibration)
        user_message::information(nullptr, m_pLanguage->textAK(kCheckNoCalibration));
}

void TvSetupDlg::slotAccuracyChecked() {
    const QDateTime now = QDateTime::currentDateTime();
    const QJsonObject report = m_pMainCtrl->accuracyCheck().toJson(now);
    m_sLastReport = m_sReportPath.isEmpty()
                        ? settings::accuracyReportPath(now, KqUtils::calibrationOutput())
                        : m_sReportPath;
    if (settings::writeAccuracyReport(m_sLastReport, QJsonDocument(report).toJson(),
                                      &m_sReportError))
        return;
    m_pMainCtrl->calibDlg()->setCheckNote(
        m_pLanguage->textAK(kCheckReportNotWritten)
            .arg(m_sLastReport + QStringLiteral(": ") + m_sReportError));
}

void TvSetupDlg::slotAccuracyCheckLeft(bool) {
    if (!m_bCheckEndsProgram)
        return;
    m_bCheckEndsProgram = false;
    slotCloseDlg(0);
}

void TvSetupDlg::slotUpdateAlignImage(QImage sImage) {
    if (m_psAlignDlg && m_psAlignDlg->isDisplayOn() && m_psAlignDlg->isVisible())
        m_psAlignDlg->imageLabel()->setPixmap(QPixmap::fromImage(sImage));
}

void TvSetupDlg::slotCloseDlg(int code) {
    if (code == 1)
        user_message::critical(nullptr, m_pLanguage->textM(kMsgCannotConnect));
    close();
}

QString TvSetupDlg::successText() const {
    QString text = m_pLanguage->textCS(TvMainCtrl::kTextSucceeded);
    if (KqUtils::screens().size() > 1) {
        // The module's touches reach the desktop as an absolute device that the desktop maps
        // to all monitors together until told otherwise.
        const DesktopSession session = desktopSessionOf(QProcessEnvironment::systemEnvironment());
        const QString hint = touchMappingHint(
            *m_pLanguage, session, compositorOutputName(session, KqUtils::calibrationMonitor()),
            m_sInputDevice);
        qCInfo(lcApp).noquote() << "touch mapping:" << hint;
        text += QStringLiteral("\n\n") + hint;
    }
    return text;
}

void TvSetupDlg::slotCalibrationClosed(int code) {
    const QString success = code == 0 ? successText() : QString();
    if (success.isEmpty() || m_nSuccessPauseMs <= 0) {
        slotCloseDlg(code);
        return;
    }
    if (m_bOfferCheck && m_pMainCtrl->StartAccuracyCheck(true) == TvMainCtrl::CheckStart::Started) {
        m_bCheckEndsProgram = true;
        return;
    }
    CalibDlg* calib = m_pMainCtrl->calibDlg();
    calib->showOutcome(success);
    QTimer::singleShot(m_nSuccessPauseMs, this, [this, calib] {
        calib->hide();
        slotCloseDlg(0);
    });
}

void TvSetupDlg::slotChangeUIState(bool bEnable) {
    if (!m_psMainDlg)
        return;
    if (!bEnable) {
        m_psAlignDlg->hide();
        m_pMainCtrl->calibDlg()->hide();
    }
    m_psMainDlg->SetUIState(bEnable);
}

void TvSetupDlg::slotCamParamSend(int addr, int value) {
    m_pMainCtrl->sendCamParam(static_cast<unsigned short>(addr), static_cast<unsigned char>(value));
}

void TvSetupDlg::slotCamParamSendWait(unsigned short gain, unsigned int expo) {
    m_pMainCtrl->sendCamGain(gain, expo);
}

void TvSetupDlg::slotSetCeiling(bool bcheck) {
    m_pMainCtrl->calibDlg()->m_nCeiling = bcheck;
}

void TvSetupDlg::slotSetRear(bool bcheck) {
    m_pMainCtrl->calibDlg()->m_nRear = bcheck;
}

void TvSetupDlg::slotSetBin(int bSetbin) {
    if (m_pMainCtrl->isCamConnected())
        m_pMainCtrl->device()->SetMonoBin(bSetbin);
}

void TvSetupDlg::slotSetLens(eLens lens) {
    m_pMainCtrl->calibDlg()->m_nLens = lens;
}

void TvSetupDlg::slotSetFingerMode(bool bcheck) {
    if (m_pMainCtrl->isCamConnected())
        m_pMainCtrl->device()->SetFingerTouchMode(bcheck);
}

void TvSetupDlg::slotSetPenSelect(bool bcheck) {
    m_pMainCtrl->calibDlg()->m_nPenSelect = bcheck ? 1 : 0;
}
