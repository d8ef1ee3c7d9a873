#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

struct SimProfile;

constexpr int kMaskBytes = 28801;
constexpr int kRecordBytes = 400;

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

// What the module forgets when it loses power.
struct SessionState {
    bool tracking = true;
    uint32_t imageReverse = 0;
    uint32_t monoBin = 0;
    std::map<uint16_t, uint8_t> sensorRegisters;
    MaskUpload maskUpload;
};

struct ModuleState {
    StoredState stored;
    SessionState session;
};

// The module as it leaves the factory for this profile.
ModuleState initialModuleState(const SimProfile& profile);
