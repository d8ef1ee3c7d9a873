#include "app/update/UpdateLoader.h"

#include "display/UserMessage.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QWidget>

namespace {

constexpr int kMessageM6 = 5;

// The component's callback arrives on its own thread while the setup window may be going
// away; the lock makes "check g_dlg, post the call" one step against the loader's destructor.
QMutex g_dlgLock;
UpdateLoader* g_dlg = nullptr;

} // namespace

UpdateLoader::UpdateLoader(QWidget* pSetupDlg, const LanguageTable* pLanguage)
    : QObject(pSetupDlg), m_pSetupDlg(pSetupDlg), m_pLanguage(pLanguage) {
    QMutexLocker lock(&g_dlgLock);
    g_dlg = this;
}

UpdateLoader::~UpdateLoader() {
    QMutexLocker lock(&g_dlgLock);
    if (g_dlg == this)
        g_dlg = nullptr;
}

bool UpdateLoader::loadUpdateComponent() {
    return loadUpdateComponent(QCoreApplication::applicationDirPath());
}

bool UpdateLoader::loadUpdateComponent(const QString& directory) {
    // The toolkit adds the platform's prefix and suffix ("libPatchRelay.so" here).
    m_updateLib.setFileName(QDir(directory).filePath(QLatin1String(patch_relay::kLibraryName)));
    if (!m_updateLib.load()) {
        qCDebug(lcUpdate) << "update bridge lib fail";
        qCDebug(lcUpdate).noquote() << m_updateLib.errorString();
        return false;
    }
    qCDebug(lcUpdate) << "load update bridge library";

    const auto init = reinterpret_cast<patch_relay::InitUpdateParametersFn>(
        m_updateLib.resolve(patch_relay::kInitUpdateParameters));
    const auto setServer = reinterpret_cast<patch_relay::SetUpdateServerFn>(
        m_updateLib.resolve(patch_relay::kSetUpdateServer));
    const auto runManager = reinterpret_cast<patch_relay::RunUpdateManagerFn>(
        m_updateLib.resolve(patch_relay::kRunUpdateManager));
    if (!init || !setServer || !runManager) {
        qCDebug(lcUpdate) << "update bridge entry points missing, the update component is not used";
        return false;
    }
    m_pInitUpdateParameters = init;
    m_pSetUpdateServer = setServer;
    m_pRunUpdateManager = runManager;

    m_pInitUpdateParameters(QStringLiteral("Corvan"), QStringLiteral("Tivora"),
                            QStringLiteral("Tve"), QStringLiteral("Windows"),
                            QStringLiteral("1.0.0.3"), QCoreApplication::applicationDirPath(),
                            QStringLiteral("TveSetup.exe"), m_pLanguage->languageCode(),
                            &SetEnableUpdate);
    m_pSetUpdateServer(QLatin1String(kUpdateServer));
    return true;
}

void UpdateLoader::checkEnableUpdate(bool bEnableUpdate, bool bNetworkNoError) {
    qCDebug(lcUpdate).noquote() << QStringLiteral(
                                       "[checkEnableUpdate()] bEnableUpdate=%1, bNetworkNoError=%2")
                                       .arg(bEnableUpdate ? 1 : 0)
                                       .arg(bNetworkNoError ? 1 : 0);
    if (!bEnableUpdate || !bNetworkNoError || !isLoaded())
        return;
    if (user_message::question(m_pSetupDlg, m_pLanguage->textM(kMessageM6), QMessageBox::No) ==
        QMessageBox::Yes)
        m_pRunUpdateManager();
}

void SetEnableUpdate(bool bEnableUpdate, bool bNetworkNoError) {
    qCDebug(lcUpdate) << "SetEnableUpdate()";
    QMutexLocker lock(&g_dlgLock);
    if (!g_dlg) {
        qCDebug(lcUpdate) << "g_dlg is invalid";
        return;
    }
    // Always queued, also from the user-interface thread itself, so the question never opens
    // inside the component's own call.
    UpdateLoader* loader = g_dlg;
    QMetaObject::invokeMethod(
        loader,
        [loader, bEnableUpdate, bNetworkNoError] {
            loader->checkEnableUpdate(bEnableUpdate, bNetworkNoError);
        },
        Qt::QueuedConnection);
}
