#include "tests/fuzz/LinkFuzzHarness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    link_fuzz::quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    link_fuzz::recordAndMask(data, size);
    return 0;
}
