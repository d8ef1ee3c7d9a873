#include "compute/ThresholdCandidates.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <array>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kLevels = 255; // bins for 0..254; level 255 is not counted
constexpr int kUnthinnedMax = 20;
constexpr int kMinLevelDistance = 5;

struct LevelCount {
    int level;
    int count;
};

// Four partial counts, so that runs of equal pixels do not wait on one counter.
std::array<int, kLevels> histogram(const cv::Mat& image) {
    std::array<std::array<int, 256>, 4> part{};
    for (int y = 0; y < image.rows; ++y) {
        const uint8_t* row = image.ptr<uint8_t>(y);
        int x = 0;
        for (; x + 4 <= image.cols; x += 4) {
            ++part[0][row[x]];
            ++part[1][row[x + 1]];
            ++part[2][row[x + 2]];
            ++part[3][row[x + 3]];
        }
        for (; x < image.cols; ++x)
            ++part[0][row[x]];
    }
    std::array<int, kLevels> h{};
    for (int level = 0; level < kLevels; ++level)
        h[level] = part[0][level] + part[1][level] + part[2][level] + part[3][level];
    return h;
}

// The exchange sort the thinning is defined with: equal counts keep no particular order, so a
// standard sort would pick other levels.
std::vector<LevelCount> byDescendingCount(std::vector<LevelCount> b) {
    for (size_t i = 0; i < b.size(); ++i)
        for (size_t j = i + 1; j < b.size(); ++j)
            if (b[j].count > b[i].count)
                std::swap(b[i], b[j]);
    return b;
}

} // namespace

std::vector<int> calcThresholdCandidates(const cv::Mat& image, bool thin) {
    const std::array<int, kLevels> h = histogram(image);
    const int minCount = image.cols / 10;
    std::vector<int> candidates;
    for (int level = 1; level < kLevels; ++level)
        if (h[level] > minCount)
            candidates.push_back(level);
    if (!thin || candidates.size() <= static_cast<size_t>(kUnthinnedMax))
        return candidates;

    std::vector<LevelCount> a;
    for (int level = 1; level < kLevels; ++level)
        a.push_back({level, h[level]});
    const std::vector<LevelCount> b = byDescendingCount(a);

    const int c20 = b[kUnthinnedMax - 1].count;
    const int c21 = b[kUnthinnedMax].count;
    const int t = (c20 + c21) / 2;
    qCDebug(lcCompute) << "top 20 threshold =" << c20 << c21 << t;

    int lo = -1;
    int hi = -1;
    for (const LevelCount& e : a) {
        if (e.count >= t) {
            if (lo < 0)
                lo = e.level;
            hi = e.level;
        }
    }
    std::vector<int> band;
    for (int level : candidates)
        if (level >= lo && level <= hi)
            band.push_back(level);
    qCDebug(lcCompute) << "after step 1:" << band.size();
    for (int level : band)
        qCDebug(lcCompute) << level;

    std::array<bool, kLevels> inBand{};
    for (int level : band)
        inBand[level] = true;
    std::vector<int> kept;
    for (const LevelCount& e : b) {
        if (!inBand[e.level])
            continue;
        bool nearKept = false;
        for (int level : kept)
            nearKept = nearKept || std::abs(level - e.level) < kMinLevelDistance;
        if (!nearKept)
            kept.push_back(e.level);
    }
    qCDebug(lcCompute) << "after step 2:" << kept.size();
    for (int level : kept)
        qCDebug(lcCompute) << level;
    return kept;
}
