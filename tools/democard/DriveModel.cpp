#include "tools/democard/DriveModel.h"

#include <algorithm>
#include <cmath>

namespace kivora::democard {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kGravity = 9.80665;

int milliG(double g)
{
    return static_cast<int>(std::lround(g * 1000.0));
}

// A short event on consecutive records, clipped to the recording.
template <class F> void onRecords(std::vector<TelemetryRecord>& records, int first, int count, F apply)
{
    for (int i = std::max(first, 0); i < std::min<int>(first + count, static_cast<int>(records.size())); ++i)
        apply(records[static_cast<std::size_t>(i)]);
}
} // namespace

SimulatedRecording simulateRecording(
    Trigger trigger, const DateTime& start, int recordCount, bool timeLapse, DriveState& state, Random& rng)
{
    SimulatedRecording out;
    out.records.resize(static_cast<std::size_t>(std::max(recordCount, 0)));
    out.drive.resize(out.records.size());
    const bool parked = isParking(trigger);
    const double dt = timeLapse ? 1.0 : 0.1;
    // The receiver needs a few seconds for its first fix of the day.
    int invalidRecords = 0;
    if (!parked && !state.haveFix) {
        invalidRecords = std::min(recordCount / 3, static_cast<int>(std::lround(rng.uniform(2.0, 4.0) / dt)));
        state.haveFix = true;
    }
    // Approaching an enforcement point the driver is a little too fast.
    if (trigger == Trigger::SpeedCamera || trigger == Trigger::Radar) {
        state.targetKmh = rng.uniform(84.0, 95.0);
        state.secondsToNextTarget = std::max(state.secondsToNextTarget, recordCount * dt);
    }

    double distance = 0;
    for (int k = 0; k < recordCount; ++k) {
        TelemetryRecord& r = out.records[static_cast<std::size_t>(k)];
        DriveSample& d = out.drive[static_cast<std::size_t>(k)];
        r.time = addSeconds(start, timeLapse ? k : k / 10);
        r.status = parked ? 'r' : 'R';
        double ax = rng.gauss() * 0.012;
        double ay = rng.gauss() * 0.012;
        double az = rng.gauss() * 0.015;
        if (parked) {
            state.speedKmh = 0;
            // The battery sags slowly while the recorder watches the parked car.
            if (rng.chance(timeLapse ? 0.05 : 0.005))
                state.voltageTenths = std::max(state.voltageTenths - 1, 115);
            r.voltageTenths = state.voltageTenths;
            r.valid = false;
        } else {
            state.secondsToNextTarget -= dt;
            if (state.secondsToNextTarget <= 0) {
                static constexpr double kTargets[] = { 0, 30, 40, 40, 50, 50, 60, 60, 70, 80 };
                state.targetKmh = kTargets[rng.range(0, 9)];
                state.secondsToNextTarget = rng.uniform(6.0, 18.0);
                state.turnRateDegPerS = rng.chance(0.3) ? rng.uniform(-9.0, 9.0) : rng.uniform(-1.0, 1.0);
            }
            const double before = state.speedKmh;
            const double maxStep = (state.targetKmh > before ? 7.0 : 11.0) * dt; // km/h per step
            state.speedKmh = before + std::clamp(state.targetKmh - before, -maxStep, maxStep);
            const double v = state.speedKmh / 3.6;
            const double turn = v > 1.0 ? state.turnRateDegPerS : 0.0;
            state.headingDeg = std::fmod(state.headingDeg + turn * dt + 360.0, 360.0);
            const double h = state.headingDeg * kPi / 180.0;
            state.latitude += v * dt * std::cos(h) / kMetresPerDegree;
            state.longitude
                += v * dt * std::sin(h) / (kMetresPerDegree * std::cos(state.latitude * kPi / 180.0));
            distance += v * dt;
            // Longitudinal (Y) from the speed change, lateral (X) from turning, vertical (Z) road noise.
            ay += (state.speedKmh - before) / 3.6 / dt / kGravity;
            ax += v * (turn * kPi / 180.0) / kGravity;
            az += rng.gauss() * 0.004 * std::min(v, 25.0);
            r.valid = k >= invalidRecords;
            r.speedKmh = r.valid ? static_cast<int>(std::lround(state.speedKmh)) : -1;
            r.speeding = r.valid && state.speedKmh > 80.0;
        }
        if (r.valid) {
            r.latitude = state.latitude;
            r.longitude = state.longitude;
            roundPositionToFields(r);
        }
        r.accelX = milliG(ax);
        r.accelY = milliG(ay);
        r.accelZ = milliG(az);
        d.headingDeg = state.headingDeg;
        d.distanceM = distance;
    }

    const int n = recordCount;
    switch (trigger) {
    case Trigger::Shock:
    case Trigger::ParkingShock: {
        // The recorder keeps more before the impact than after it.
        const int peak = std::max(0, n * 3 / 5);
        static constexpr char kAxes[] = { 'X', 'Y', 'Z' };
        const char axis = kAxes[rng.range(0, 2)];
        const double g = (rng.chance(0.5) ? 1 : -1) * rng.uniform(parked ? 0.6 : 1.1, parked ? 1.4 : 2.6);
        static constexpr double kShape[] = { 0.35, 1.0, 0.7, 0.3 };
        for (int i = 0; i < 4; ++i) {
            onRecords(out.records, peak - 1 + i, 1, [&](TelemetryRecord& r) {
                const int value = milliG(g * kShape[i])
                    + (axis == 'X'        ? r.accelX
                            : axis == 'Y' ? r.accelY
                                          : r.accelZ);
                (axis == 'X' ? r.accelX : axis == 'Y' ? r.accelY : r.accelZ) = value;
                if (i == 1 || i == 2)
                    r.shockAxis = axis;
            });
            if (peak - 1 + i >= 0 && peak - 1 + i < n)
                out.drive[static_cast<std::size_t>(peak - 1 + i)].shakePx
                    = static_cast<int>(std::lround(6 * kShape[i]));
        }
        break;
    }
    case Trigger::Manual:
        onRecords(out.records, n / 4, 5, [](TelemetryRecord& r) { r.manual = true; });
        break;
    case Trigger::Parking:
    case Trigger::ParkingTimeLapse:
        onRecords(out.records, 0, 3, [](TelemetryRecord& r) { r.parking = true; });
        break;
    default:
        break;
    }
    if (parked && trigger == Trigger::ParkingShock)
        onRecords(out.records, 0, 3, [](TelemetryRecord& r) { r.parking = true; });

    if (!parked && n > 20) {
        // Now and then the drive-support system flags a manoeuvre, with a matching push.
        if (rng.chance(0.6)) {
            static constexpr char kSupport[] = { 'A', 'B', 'H' };
            const char letter = kSupport[state.supportCounter++ % 3];
            const int at = rng.range(n / 5, n - 4);
            onRecords(out.records, at, 3, [&](TelemetryRecord& r) {
                r.driveSupport = letter;
                if (letter == 'A')
                    r.accelY += 350;
                else if (letter == 'B')
                    r.accelY -= 450;
                else
                    r.accelX += (r.accelX >= 0 ? 400 : -400);
            });
        }
        if (trigger == Trigger::Continuous && rng.chance(0.15))
            onRecords(out.records, n - 3, 3, [](TelemetryRecord& r) { r.emergencyStop = true; });
    }
    return out;
}

} // namespace kivora::democard
