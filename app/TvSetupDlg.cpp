#include "app/TvSetupDlg.h"

#include "app/Settings.h"
#include "device/CamDevCtrl.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

TvSetupDlg::TvSetupDlg(QWidget* parent, bool autoUpdate, std::unique_ptr<Transport> transport)
    : QDialog(parent), m_pLanguage(std::make_unique<LanguageTable>()),
      m_pTransport(std::move(transport)), m_bAutoUpdate(autoUpdate) {
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("TvSetupDlg"));
    resize(400, 300);
    setWindowTitle(QStringLiteral("TvSetupDlg"));
    QMetaObject::connectSlotsByName(this);

    const settings::Values config = settings::readConfig();
    m_pLanguage->loadLanguage(config.languageId);
    m_nPenSelection = config.penSelection;
    qDebug() << "iniPenSelect :" << m_nPenSelection;
    qDebug() << "automatic update check:" << m_bAutoUpdate;
}

TvSetupDlg::~TvSetupDlg() {
    delete m_pDevice;
    settings::writeConfig(m_pLanguage->languageIndex(), m_nPenSelection);
}

void TvSetupDlg::start() {
    m_pDevice = new CamDevCtrl(std::move(m_pTransport));
    if (m_pDevice->IsDeviceConnected(true))
        m_pDevice->OpenDevice();
    else
        qDebug() << "TvSetupDlg: no camera module found";
    showMinimized();
    hide();
}

void TvSetupDlg::closeEvent(QCloseEvent*) {
    QThread::msleep(100);
    QCoreApplication::exit(0);
}
