#pragma once

#include "app/update/relay/UpdateManifest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>

class QNetworkAccessManager;

// Fetches the manifest's file into "<target>.part", hashing it as the bytes arrive, and only
// when its SHA-256 matches the manifest renames it to the target path. A refused, failed or
// abandoned download leaves no file behind.
class VerifiedDownload : public QObject {
    Q_OBJECT

public:
    // Stalls longer than this end the download; its total length is bounded by kMaxBytes.
    static constexpr int kStallTimeoutMs = 30000;
    static constexpr qint64 kMaxBytes = qint64(1) << 30;

    VerifiedDownload(QNetworkAccessManager& network, const UpdateManifest& manifest,
                     const QString& targetPath, QObject* parent = nullptr);
    ~VerifiedDownload() override;

    // sigFinished follows exactly once.
    void start();

signals:
    void sigProgress(qint64 received, qint64 total);
    void sigVerifying();
    void sigFinished(bool bVerified);

private:
    void onReadyRead();
    void onReplyFinished();
    void verify();
    void fail(const QString& reason);
    void dropReply();

    QNetworkAccessManager& m_network;
    UpdateManifest m_manifest;
    QString m_targetPath;
    QFile m_part;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    // Guarded: the access manager deletes its replies when it goes, which may be first.
    QPointer<QNetworkReply> m_pReply;
    qint64 m_nReceived = 0;
    bool m_bFinished = false;
};
