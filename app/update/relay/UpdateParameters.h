#pragma once

#include "app/update/PatchRelayApi.h"

#include <QString>
#include <QUrl>

// What the program told the component about itself and where to ask for updates.
struct UpdateParameters {
    QString company;
    QString product;
    QString productCode;
    QString platform;
    QString version;
    QString appDir;
    QString setupName;
    QString languageCode;
    patch_relay::UpdateCallback callback = nullptr;
    QUrl server;
};
