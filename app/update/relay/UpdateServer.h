#pragma once

#include "app/update/relay/UpdateParameters.h"

#include <QUrl>

// Where the component asks. TIVORA_UPDATE_SERVER, when set, replaces the address the program
// gives (test servers, staging).
namespace update_server {

// The address to use; an invalid QUrl when it is not an http or https address.
QUrl serverAddress(const QString& given);

// server + "manifest" with the product code, platform, version and language as query items.
QUrl manifestUrl(const UpdateParameters& parameters);

} // namespace update_server
