#include "app/update/relay/UpdateManager.h"

#include "app/update/relay/ManifestRequest.h"
#include "app/update/relay/UpdateServer.h"
#include "app/update/relay/UpdateVersion.h"
#include "app/update/relay/VerifiedDownload.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

namespace {

constexpr int kProgressSteps = 1000;

// The installer waits in a folder of the product's own under the temporary folder, named as
// the program asked; only the file name part of that name is used.
QString downloadPath(const UpdateParameters& parameters) {
    QString name = QFileInfo(parameters.setupName).fileName();
    if (name.isEmpty())
        name = QStringLiteral("setup");
    const QString folder = QFileInfo(parameters.productCode).fileName() + QStringLiteral("-update");
    return QDir::temp().filePath(folder + QLatin1Char('/') + name);
}

} // namespace

QPointer<QProgressDialog>& UpdateManager::openWindow() {
    static QPointer<QProgressDialog> window;
    return window;
}

void UpdateManager::run(const UpdateParameters& parameters) {
    QProgressDialog* window = openWindow();
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
        return;
    }
    (new UpdateManager(parameters))->start();
}

UpdateManager::UpdateManager(const UpdateParameters& parameters)
    : m_parameters(parameters), m_texts(UpdateTexts::forLanguage(parameters.languageCode)),
      m_pWindow(new QProgressDialog) {
    setParent(m_pWindow);
    openWindow() = m_pWindow;
    m_pWindow->setObjectName(QLatin1String(kWindowName));
    m_pWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_pWindow->setWindowTitle(m_texts.progressTitle);
    m_pWindow->setCancelButtonText(m_texts.cancel);
    m_pWindow->setLayoutDirection(m_texts.bRightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    m_pWindow->setAutoClose(false);
    m_pWindow->setAutoReset(false);
    m_pWindow->setMinimumDuration(0);
    m_pWindow->setRange(0, 0);
    connect(m_pWindow, &QProgressDialog::canceled, this, &UpdateManager::cancel);
}

void UpdateManager::start() {
    m_pWindow->setLabelText(m_texts.checking);
    m_pWindow->show();
    m_pManifestRequest =
        new ManifestRequest(m_network, update_server::manifestUrl(m_parameters), this);
    connect(m_pManifestRequest, &ManifestRequest::sigFinished, this, &UpdateManager::onManifest);
    m_pManifestRequest->start();
}

void UpdateManager::onManifest() {
    const std::optional<UpdateManifest> manifest = m_pManifestRequest->manifest();
    m_pManifestRequest->deleteLater();
    m_pManifestRequest = nullptr;
    if (!manifest) {
        finish(m_texts.failed);
        return;
    }
    if (!update_version::isNewer(manifest->version, m_parameters.version)) {
        qCDebug(lcUpdate).noquote()
            << "PatchRelay: the server no longer offers a newer version than"
            << m_parameters.version;
        finish(m_texts.failed);
        return;
    }
    m_pWindow->setLabelText(m_texts.downloading);
    m_pDownload = new VerifiedDownload(m_network, *manifest, downloadPath(m_parameters), this);
    connect(m_pDownload, &VerifiedDownload::sigProgress, this, &UpdateManager::onProgress);
    connect(m_pDownload, &VerifiedDownload::sigVerifying, this,
            [this] { m_pWindow->setLabelText(m_texts.verifying); });
    connect(m_pDownload, &VerifiedDownload::sigFinished, this, &UpdateManager::onDownloaded);
    m_pDownload->start();
}

void UpdateManager::onProgress(qint64 received, qint64 total) {
    if (total <= 0) {
        m_pWindow->setRange(0, 0);
        return;
    }
    m_pWindow->setRange(0, kProgressSteps);
    m_pWindow->setValue(int(qBound<qint64>(0, received * kProgressSteps / total, kProgressSteps)));
}

void UpdateManager::onDownloaded(bool bVerified) {
    const QString path = downloadPath(m_parameters);
    m_pDownload->deleteLater();
    m_pDownload = nullptr;
    if (!bVerified) {
        finish(m_texts.failed);
        return;
    }
    if (!handOn(path)) {
        finish(m_texts.failed);
        return;
    }
    m_pWindow->setRange(0, kProgressSteps);
    m_pWindow->setValue(kProgressSteps);
    finish(m_texts.complete);
}

bool UpdateManager::handOn(const QString& path) {
    if (qEnvironmentVariableIntValue("TIVORA_UPDATE_NO_OPEN") == 1) {
        qCDebug(lcUpdate).noquote() << "PatchRelay: update handed on (not opened):" << path;
        return true;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        qCDebug(lcUpdate).noquote() << "PatchRelay: the desktop could not open" << path;
        return false;
    }
    qCDebug(lcUpdate).noquote() << "PatchRelay: update handed on:" << path;
    return true;
}

void UpdateManager::finish(const QString& text) {
    m_bDone = true;
    if (m_pWindow->maximum() == 0)
        m_pWindow->setRange(0, kProgressSteps);
    m_pWindow->setLabelText(text);
    qCDebug(lcUpdate).noquote() << "PatchRelay:" << text;
}

void UpdateManager::cancel() {
    if (!m_bDone)
        qCDebug(lcUpdate) << "PatchRelay: update cancelled";
    // Stop the network work now; the window takes this manager along later.
    delete m_pManifestRequest;
    m_pManifestRequest = nullptr;
    delete m_pDownload;
    m_pDownload = nullptr;
    m_pWindow->hide();
    m_pWindow->deleteLater();
}
