#pragma once

#include "app/update/relay/UpdateManifest.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <optional>

class QNetworkAccessManager;

// One fetch of the manifest, bounded in time and size. Works wherever its thread runs an
// event loop: the check thread and the update window both use it.
class ManifestRequest : public QObject {
    Q_OBJECT

public:
    static constexpr int kTimeoutMs = 10000;

    ManifestRequest(QNetworkAccessManager& network, const QUrl& url, QObject* parent = nullptr);
    ~ManifestRequest() override;

    // sigFinished follows exactly once, at once when the address is unusable.
    void start();

    bool isFinished() const { return m_bFinished; }
    // The manifest when the exchange worked and gave a usable answer.
    const std::optional<UpdateManifest>& manifest() const { return m_manifest; }

signals:
    void sigFinished();

private:
    void onReadyRead();
    void onReplyFinished();
    void fail(const QString& reason);
    void dropReply();

    QNetworkAccessManager& m_network;
    QUrl m_url;
    // Guarded: the access manager deletes its replies when it goes, which may be first.
    QPointer<QNetworkReply> m_pReply;
    QTimer m_deadline;
    QByteArray m_body;
    std::optional<UpdateManifest> m_manifest;
    bool m_bFinished = false;
};
