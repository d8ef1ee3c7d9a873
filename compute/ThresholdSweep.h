#pragma once

#include "log/LogCategories.h"

#include <QDebug>
#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <opencv2/core/utility.hpp>
#include <vector>

// Runs work(threshold) for every threshold on all cores and returns the results in threshold
// order, so that whatever the caller collects from them does not depend on the scheduling.
//
// The budget bounds the sweep like a sequential loop that stops after the first threshold
// ending past it: thresholds not started before budgetMs has passed are skipped, the results
// end before the first skipped one, and "timeout: %d" is logged with the elapsed time.
template <typename Result>
std::vector<Result> sweepThresholds(const std::vector<int>& thresholds, qint64 budgetMs,
                                    const std::function<Result(int)>& work) {
    const int n = static_cast<int>(thresholds.size());
    std::vector<Result> results(n);
    std::vector<char> done(n, 0);
    std::atomic<bool> overBudget{false};
    QElapsedTimer timer;
    timer.start();
    cv::parallel_for_(
        cv::Range(0, n),
        [&](const cv::Range& range) {
            for (int i = range.start; i < range.end; ++i) {
                if (overBudget.load())
                    return;
                results[i] = work(thresholds[i]);
                done[i] = 1;
                if (timer.elapsed() > budgetMs)
                    overBudget = true;
            }
        },
        n);
    int completed = 0;
    while (completed < n && done[completed])
        ++completed;
    if (overBudget.load()) {
        qCDebug(lcCompute, "timeout: %d", static_cast<int>(timer.elapsed()));
        results.resize(completed);
    }
    return results;
}
