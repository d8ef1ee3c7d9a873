#pragma once

#include <QtGlobal>
#include <algorithm>

// Sanitized builds run many times slower; a test's waits grow by the same factor as CTest's
// time-outs (TIVORA_TIMEOUT_FACTOR, set by the build for every test).
inline int slowed(int ms) {
    return ms * std::max(1, qEnvironmentVariableIntValue("TIVORA_TIMEOUT_FACTOR"));
}
