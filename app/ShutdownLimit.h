#pragma once

// Bounds the end of the program. Once the event loop has returned, the clean-up (stopping the
// threads, restarting the module's tracking, writing the settings) has limitMs; a thread
// blocked past that, in a driver or on a peer, must not keep the program alive. The process
// then ends with exitCode.
void limitShutdown(int limitMs, int exitCode);
