#pragma once

#include "tools/democard/Random.h"
#include "tools/democard/RecordingName.h"
#include "tools/democard/TelemetryBlock.h"

#include <vector>

namespace kivora::democard {

// Where the simulated car is; carried from one recording of a day to the next.
struct DriveState {
    double latitude = 35.681236;
    double longitude = 139.767125;
    double headingDeg = 20.0;
    double speedKmh = 0.0;
    double targetKmh = 40.0;
    double secondsToNextTarget = 10.0;
    double turnRateDegPerS = 0.0;
    int voltageTenths = 126;
    bool haveFix = false; // false until the receiver's first fix of the day
    int supportCounter = 0; // drive-support letters take turns so that a small card shows each
};

// What the picture needs besides the records: the car's heading and the distance driven.
struct DriveSample {
    double headingDeg = 0;
    double distanceM = 0;
    int shakePx = 0;
};

struct SimulatedRecording {
    std::vector<TelemetryRecord> records;
    std::vector<DriveSample> drive; // one per record
};

// Simulates one recording: recordCount records, each realSecondsPerRecord of real time apart
// (0.1 s, or 1 s in time-lapse), starting at start. Shock and event letters follow the trigger;
// extra chance-driven events (drive support, emergency stop) come from rng.
SimulatedRecording simulateRecording(
    Trigger trigger, const DateTime& start, int recordCount, bool timeLapse, DriveState& state, Random& rng);

} // namespace kivora::democard
