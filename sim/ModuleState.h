#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

struct SimProfile;

constexpr int kMaskBytes = 28801;
constexpr int kRecordBytes = 400;

constexpr uint32_t kBlackImageId = 101;
constexpr uint32_t kWhiteImageId = 102;
constexpr uint32_t kPatternImageId = 103;

// Sensor registers of the analogue gain (high and low byte) and of the group hold that
// brackets a gain change, with its hold and release values.
constexpr uint16_t kRegGainHigh = 0x350A;
constexpr uint16_t kRegGainLow = 0x350B;
constexpr uint16_t kRegGroupHold = 0x3008;
constexpr uint8_t kGroupHoldStart = 0x42;
constexpr uint8_t kGroupHoldRelease = 0x02;
// The gain at which the live picture shows the scene as it is.
constexpr int kNeutralGain = 256;

// What the module keeps in its non-volatile memory: it survives a replug.
struct StoredState {
    uint8_t fwMajor = 0;
    uint8_t fwMinor = 0;
    uint8_t ceiling = 0;
    uint8_t rear = 0;
    uint8_t finger = 0;
    uint8_t lens = 0;
    std::array<uint8_t, kRecordBytes> record{};
    std::vector<uint8_t> mask = std::vector<uint8_t>(kMaskBytes, 0);
};

// A mask arriving in parts; nextPart < 0 while no upload is in progress.
struct MaskUpload {
    int nextPart = -1;
    int received = 0;
    std::vector<uint8_t> bytes;
};

// One captured picture and which of its parts have been sent at least once.
struct Capture {
    std::vector<uint8_t> pixels;
    std::vector<bool> sent;
};

constexpr int kInputSlots = 25;

// The virtual user's pen during a manual calibration. Each target started, and each start,
// end or cancel, begins a new touch: steps an older touch left for later see that and stop.
struct PenState {
    uint32_t touch = 0;
    // The user presses Backspace when the next target is started.
    bool backPending = false;
    // Camera x and y of each input slot, as DAT_MC_INPUT_POINT sends them.
    std::array<float, 2 * kInputSlots> inputPoints{};
};

// The pen the module tracks outside calibration: which tracking run it belongs to and the
// accuracy-check target it touched last in that run.
struct TrackedPenState {
    uint32_t run = 0;
    int touchedTarget = -1;
};

// What the module forgets when it loses power.
struct SessionState {
    bool tracking = true;
    TrackedPenState trackedPen;
    uint32_t imageReverse = 0;
    uint32_t monoBin = 0;
    std::map<uint16_t, uint8_t> sensorRegisters = {{kRegGainHigh, kNeutralGain >> 8},
                                                   {kRegGainLow, kNeutralGain & 0xFF}};
    // The gain the live picture is taken with; a write inside a group hold waits for the
    // release.
    int gain = kNeutralGain;
    bool groupHeld = false;
    MaskUpload maskUpload;
    // By image id: 101 black, 102 white, 103 pattern.
    std::map<uint32_t, Capture> captures;
    PenState pen;
};

// Injected faults that happen once in the module's life, power cycles included.
struct FaultState {
    bool maskPartLost = false;
    bool penLiftedEarly = false;
    bool wentBack = false;
    // Capture commands received, for the unplug on the Nth.
    int captureStarts = 0;
    // When the module lost its plug by that fault; negative while it has not.
    int64_t pulledAtMs = -1;
};

struct ModuleState {
    StoredState stored;
    SessionState session;
    FaultState faults;
};

// The module as it leaves the factory for this profile, or as its store file left it.
ModuleState initialModuleState(const SimProfile& profile);
