#pragma once

#include "app/update/relay/UpdateParameters.h"

// The background check: fetches the manifest on a thread of its own and calls the program's
// callback from that thread with (a newer version is offered, the exchange worked). Each call
// starts one check; the threads end with their check and are stopped before the application
// object goes.
namespace update_check {

void start(const UpdateParameters& parameters);

} // namespace update_check
