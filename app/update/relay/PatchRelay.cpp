// The update component's three entry points. The program calls them on its user-interface
// thread; the component's own state lives here and is touched only from that thread.
#include "app/update/PatchRelayApi.h"
#include "app/update/relay/UpdateCheck.h"
#include "app/update/relay/UpdateManager.h"
#include "app/update/relay/UpdateServer.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <type_traits>

extern "C" {
Q_DECL_EXPORT void initUpdateParameters(QString company, QString product, QString productCode,
                                        QString platform, QString version, QString appDir,
                                        QString setupName, QString languageCode,
                                        patch_relay::UpdateCallback callback);
Q_DECL_EXPORT void setUpdateServer(QString address);
Q_DECL_EXPORT void runUpdateManager();
}

static_assert(std::is_same_v<decltype(&initUpdateParameters), patch_relay::InitUpdateParametersFn>);
static_assert(std::is_same_v<decltype(&setUpdateServer), patch_relay::SetUpdateServerFn>);
static_assert(std::is_same_v<decltype(&runUpdateManager), patch_relay::RunUpdateManagerFn>);

namespace {

struct RelayState {
    UpdateParameters parameters;
    bool bInitialised = false;
};

RelayState& state() {
    static RelayState current;
    return current;
}

} // namespace

void initUpdateParameters(QString company, QString product, QString productCode, QString platform,
                          QString version, QString appDir, QString setupName, QString languageCode,
                          patch_relay::UpdateCallback callback) {
    UpdateParameters& parameters = state().parameters;
    parameters.company = company;
    parameters.product = product;
    parameters.productCode = productCode;
    parameters.platform = platform;
    parameters.version = version;
    parameters.appDir = appDir;
    parameters.setupName = setupName;
    parameters.languageCode = languageCode;
    parameters.callback = callback;
    state().bInitialised = true;
    qCDebug(lcUpdate).noquote() << "PatchRelay:" << product << productCode << version << "on"
                                << platform << "language" << languageCode;
}

// The check starts here: only now does the component know both the product and the server.
void setUpdateServer(QString address) {
    UpdateParameters& parameters = state().parameters;
    parameters.server = update_server::serverAddress(address);
    if (!parameters.server.isValid()) {
        qCDebug(lcUpdate).noquote() << "PatchRelay: unusable update server address" << address;
    } else {
        qCDebug(lcUpdate).noquote()
            << "PatchRelay: update server" << parameters.server.toDisplayString();
    }
    if (!state().bInitialised) {
        qCDebug(lcUpdate) << "PatchRelay: server set before initUpdateParameters, no check";
        return;
    }
    update_check::start(parameters);
}

void runUpdateManager() {
    if (!state().bInitialised) {
        qCDebug(lcUpdate) << "PatchRelay: runUpdateManager before initUpdateParameters";
        return;
    }
    UpdateManager::run(state().parameters);
}
