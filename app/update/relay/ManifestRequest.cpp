#include "app/update/relay/ManifestRequest.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>

ManifestRequest::ManifestRequest(QNetworkAccessManager& network, const QUrl& url, QObject* parent)
    : QObject(parent), m_network(network), m_url(url) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no answer within %1 ms").arg(kTimeoutMs)); });
}

ManifestRequest::~ManifestRequest() {
    dropReply();
}

void ManifestRequest::start() {
    if (!m_url.isValid()) {
        fail(QStringLiteral("no usable update server address"));
        return;
    }
    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(kTimeoutMs);
    m_pReply = m_network.get(request);
    connect(m_pReply, &QNetworkReply::readyRead, this, &ManifestRequest::onReadyRead);
    connect(m_pReply, &QNetworkReply::finished, this, &ManifestRequest::onReplyFinished);
    m_deadline.start();
}

void ManifestRequest::onReadyRead() {
    m_body += m_pReply->readAll();
    if (m_body.size() > UpdateManifest::kMaxBytes)
        fail(QStringLiteral("manifest larger than %1 bytes").arg(UpdateManifest::kMaxBytes));
}

void ManifestRequest::onReplyFinished() {
    m_body += m_pReply->readAll();
    const QNetworkReply::NetworkError error = m_pReply->error();
    const QString errorText = m_pReply->errorString();
    const int status = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl answeredUrl = m_pReply->url();
    dropReply();

    if (error != QNetworkReply::NoError) {
        fail(errorText);
        return;
    }
    if (status != 200) {
        fail(QStringLiteral("HTTP status %1").arg(status));
        return;
    }
    m_manifest = UpdateManifest::parse(m_body, answeredUrl);
    if (!m_manifest) {
        fail(QStringLiteral("the answer is not a usable manifest"));
        return;
    }
    m_bFinished = true;
    qCDebug(lcUpdate).noquote() << "PatchRelay: manifest from" << m_url.toDisplayString()
                                << "offers version" << m_manifest->version;
    emit sigFinished();
}

void ManifestRequest::fail(const QString& reason) {
    if (m_bFinished)
        return;
    dropReply();
    m_bFinished = true;
    qCDebug(lcUpdate).noquote() << "PatchRelay: manifest request to" << m_url.toDisplayString()
                                << "failed:" << reason;
    emit sigFinished();
}

void ManifestRequest::dropReply() {
    m_deadline.stop();
    if (!m_pReply)
        return;
    m_pReply->disconnect(this);
    m_pReply->abort();
    m_pReply->deleteLater();
    m_pReply = nullptr;
}
