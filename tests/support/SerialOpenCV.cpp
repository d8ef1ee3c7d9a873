#include <opencv2/core/utility.hpp>

// Linked into the tests of a ThreadSanitizer build only. OpenCV's thread pool is not
// instrumented, so its workers' reads of the caller's stack look unordered with the caller's
// later use of the same stack slots; with the pool off, every report is about our threads.
namespace {
const bool g_serial = (cv::setNumThreads(0), true);
}
