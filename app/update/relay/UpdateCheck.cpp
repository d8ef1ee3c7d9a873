#include "app/update/relay/UpdateCheck.h"

#include "app/update/relay/ManifestRequest.h"
#include "app/update/relay/UpdateServer.h"
#include "app/update/relay/UpdateVersion.h"
#include "log/LogCategories.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QThread>

namespace update_check {

namespace {

const QString kThreadName = QStringLiteral("PatchRelay check");

void runCheck(const UpdateParameters& parameters) {
    QNetworkAccessManager network;
    ManifestRequest request(network, update_server::manifestUrl(parameters));
    QEventLoop loop;
    QObject::connect(&request, &ManifestRequest::sigFinished, &loop, &QEventLoop::quit);
    request.start();
    if (!request.isFinished() && !QThread::currentThread()->isInterruptionRequested())
        loop.exec();
    if (QThread::currentThread()->isInterruptionRequested())
        return;

    const bool bNetworkNoError = request.manifest().has_value();
    const bool bEnableUpdate =
        bNetworkNoError && update_version::isNewer(request.manifest()->version, parameters.version);
    qCDebug(lcUpdate).noquote() << "PatchRelay: check done, installed" << parameters.version
                                << "update available" << bEnableUpdate << "network ok"
                                << bNetworkNoError;
    parameters.callback(bEnableUpdate, bNetworkNoError);
}

// Runs while the application object is being destroyed: a check still waiting on the network
// is told to stop, and its thread is waited for before the object deletes it.
void stopRunningChecks() {
    const auto threads = QCoreApplication::instance()->findChildren<QThread*>(
        kThreadName, Qt::FindDirectChildrenOnly);
    for (QThread* thread : threads) {
        thread->requestInterruption();
        thread->quit();
    }
    for (QThread* thread : threads) {
        if (!thread->wait(2 * ManifestRequest::kTimeoutMs))
            qCWarning(lcUpdate) << "PatchRelay: a check thread did not stop";
    }
}

} // namespace

void start(const UpdateParameters& parameters) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || !parameters.callback) {
        qCWarning(lcUpdate) << "PatchRelay: no application object or no callback, no update check";
        return;
    }
    static const bool registered = [] {
        qAddPostRoutine(&stopRunningChecks);
        return true;
    }();
    Q_UNUSED(registered);

    QThread* thread = QThread::create([parameters] { runCheck(parameters); });
    thread->setObjectName(kThreadName);
    thread->setParent(application);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace update_check
