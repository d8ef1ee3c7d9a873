#include "app/ShutdownLimit.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

void limitShutdown(int limitMs, int exitCode) {
    std::thread([limitMs, exitCode] {
        std::this_thread::sleep_for(std::chrono::milliseconds(limitMs));
        std::fprintf(stderr, "tivora: still closing after %d ms, leaving now\n", limitMs);
        std::fflush(stderr);
        ::_exit(exitCode);
    }).detach();
}
