#pragma once

#include "app/update/PatchRelayApi.h"

#include <QLibrary>
#include <QObject>

class LanguageTable;
class QWidget;

// The program's side of the update component: loads "PatchRelay", hands it the product's
// identity and the update server, and answers its callback with the question M6.
//
// The setup window creates one loader, as its child, only when the automatic update check is
// enabled. While the loader lives it is the process-wide g_dlg, the object the component's
// callback SetEnableUpdate reaches; the callback may come from any thread and is passed to the
// user-interface thread, where checkEnableUpdate asks the question with the setup window as
// the question's parent.
class UpdateLoader : public QObject {
    Q_OBJECT

public:
    static constexpr char kUpdateServer[] = "https://updates.tivora.example/";

    UpdateLoader(QWidget* pSetupDlg, const LanguageTable* pLanguage);
    ~UpdateLoader() override;

    // Loads the component from the application's directory (or the one given), resolves its
    // three entry points and, when all three are there, starts it. False when not loaded.
    bool loadUpdateComponent();
    bool loadUpdateComponent(const QString& directory);
    bool isLoaded() const { return m_pRunUpdateManager != nullptr; }

    // User-interface thread only.
    void checkEnableUpdate(bool bEnableUpdate, bool bNetworkNoError);

private:
    QWidget* m_pSetupDlg;
    const LanguageTable* m_pLanguage;
    QLibrary m_updateLib;
    patch_relay::InitUpdateParametersFn m_pInitUpdateParameters = nullptr;
    patch_relay::SetUpdateServerFn m_pSetUpdateServer = nullptr;
    patch_relay::RunUpdateManagerFn m_pRunUpdateManager = nullptr;
};

// The callback handed to the component; safe from any thread.
void SetEnableUpdate(bool bEnableUpdate, bool bNetworkNoError);
