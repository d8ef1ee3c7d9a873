#pragma once

#include "app/update/relay/UpdateParameters.h"
#include "app/update/relay/UpdateTexts.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>

class ManifestRequest;
class QProgressDialog;
class VerifiedDownload;

// The update window: asks the server again, downloads the offered file with a progress bar,
// checks its SHA-256 and hands the verified file to the desktop, which starts the installer.
// Lives on the user-interface thread and never waits there: every step follows a signal. The
// window stays open with the outcome ("complete" or "failed") until the user closes it; its
// one button cancels a running update and closes the window. The manager belongs to its window.
//
// With TIVORA_UPDATE_NO_OPEN=1 the verified file is not handed on, only named in the debug log.
class UpdateManager : public QObject {
    Q_OBJECT

public:
    static constexpr char kWindowName[] = "PatchRelayProgress";

    // Opens the window, or raises the one already open.
    static void run(const UpdateParameters& parameters);

private:
    explicit UpdateManager(const UpdateParameters& parameters);

    void start();
    void onManifest();
    void onDownloaded(bool bVerified);
    void onProgress(qint64 received, qint64 total);
    bool handOn(const QString& path);
    void finish(const QString& text);
    void cancel();

    static QPointer<QProgressDialog>& openWindow();

    UpdateParameters m_parameters;
    UpdateTexts m_texts;
    QProgressDialog* m_pWindow;
    QNetworkAccessManager m_network;
    ManifestRequest* m_pManifestRequest = nullptr;
    VerifiedDownload* m_pDownload = nullptr;
    bool m_bDone = false;
};
