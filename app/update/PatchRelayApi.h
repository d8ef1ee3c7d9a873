#pragma once

#include <QString>

// What passes between the program and its update component "PatchRelay", a library loaded at
// run time. The entry points have C linkage so that their symbol names are their plain names
// and QLibrary::resolve finds them without knowing the compiler's name mangling; their
// arguments are still C++ types (QString by value), so program and component must be built
// with the same compiler and Qt.
namespace patch_relay {

// Called by the component, from a thread of its own, once its check has finished.
using UpdateCallback = void (*)(bool bEnableUpdate, bool bNetworkNoError);

using InitUpdateParametersFn = void (*)(QString company, QString product, QString productCode,
                                        QString platform, QString version, QString appDir,
                                        QString setupName, QString languageCode,
                                        UpdateCallback callback);
using SetUpdateServerFn = void (*)(QString address);
using RunUpdateManagerFn = void (*)();

constexpr char kLibraryName[] = "PatchRelay";
constexpr char kInitUpdateParameters[] = "initUpdateParameters";
constexpr char kSetUpdateServer[] = "setUpdateServer";
constexpr char kRunUpdateManager[] = "runUpdateManager";

} // namespace patch_relay
