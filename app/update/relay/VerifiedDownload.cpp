#include "app/update/relay/VerifiedDownload.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>

VerifiedDownload::VerifiedDownload(QNetworkAccessManager& network, const UpdateManifest& manifest,
                                   const QString& targetPath, QObject* parent)
    : QObject(parent), m_network(network), m_manifest(manifest), m_targetPath(targetPath),
      m_part(targetPath + QStringLiteral(".part")) {}

VerifiedDownload::~VerifiedDownload() {
    dropReply();
    if (!m_bFinished)
        m_part.remove();
}

void VerifiedDownload::start() {
    QDir().mkpath(QFileInfo(m_targetPath).absolutePath());
    if (!m_part.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(QStringLiteral("cannot write %1: %2").arg(m_part.fileName(), m_part.errorString()));
        return;
    }
    QNetworkRequest request(m_manifest.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(kStallTimeoutMs);
    m_pReply = m_network.get(request);
    connect(m_pReply, &QNetworkReply::readyRead, this, &VerifiedDownload::onReadyRead);
    connect(m_pReply, &QNetworkReply::downloadProgress, this, &VerifiedDownload::sigProgress);
    connect(m_pReply, &QNetworkReply::finished, this, &VerifiedDownload::onReplyFinished);
    qCDebug(lcUpdate).noquote() << "PatchRelay: downloading" << m_manifest.url.toDisplayString();
}

void VerifiedDownload::onReadyRead() {
    const QByteArray bytes = m_pReply->readAll();
    m_nReceived += bytes.size();
    if (m_nReceived > kMaxBytes) {
        fail(QStringLiteral("more than %1 bytes").arg(kMaxBytes));
        return;
    }
    m_hash.addData(bytes);
    if (m_part.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1: %2").arg(m_part.fileName(), m_part.errorString()));
}

void VerifiedDownload::onReplyFinished() {
    onReadyRead();
    if (m_bFinished)
        return;
    const QNetworkReply::NetworkError error = m_pReply->error();
    const QString errorText = m_pReply->errorString();
    const int status = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    dropReply();
    if (error != QNetworkReply::NoError)
        fail(errorText);
    else if (status != 200)
        fail(QStringLiteral("HTTP status %1").arg(status));
    else
        verify();
}

void VerifiedDownload::verify() {
    emit sigVerifying();
    if (!m_part.flush()) {
        fail(QStringLiteral("cannot write %1: %2").arg(m_part.fileName(), m_part.errorString()));
        return;
    }
    m_part.close();
    if (m_hash.result() != m_manifest.sha256) {
        fail(QStringLiteral("SHA-256 %1 does not match %2, the file is refused")
                 .arg(QString::fromLatin1(m_hash.result().toHex()),
                      QString::fromLatin1(m_manifest.sha256.toHex())));
        return;
    }
    QFile::remove(m_targetPath);
    if (!m_part.rename(m_targetPath)) {
        fail(QStringLiteral("cannot rename to %1: %2").arg(m_targetPath, m_part.errorString()));
        return;
    }
    m_bFinished = true;
    qCDebug(lcUpdate).noquote() << "PatchRelay: download verified:" << m_targetPath;
    emit sigFinished(true);
}

void VerifiedDownload::fail(const QString& reason) {
    if (m_bFinished)
        return;
    dropReply();
    m_bFinished = true;
    m_part.remove();
    qCDebug(lcUpdate).noquote() << "PatchRelay: download failed:" << reason;
    emit sigFinished(false);
}

void VerifiedDownload::dropReply() {
    if (!m_pReply)
        return;
    m_pReply->disconnect(this);
    m_pReply->abort();
    m_pReply->deleteLater();
    m_pReply = nullptr;
}
