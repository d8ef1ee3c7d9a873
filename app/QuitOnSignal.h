#pragma once

// Makes SIGTERM and SIGINT end the event loop normally, so that a session logout or Ctrl+C
// still restarts the module's tracking, writes the settings and releases the instance lock.
void quitOnTerminationSignals();
