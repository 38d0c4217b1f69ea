// A driver module for the tests: it answers the library's entry points from
// values the test sets through the Scripted_* functions and records every
// ReadHead command, so tests see exactly what the library sent. Built twice:
// as scripted_driver (every entry point, geometry spelled "GetGeomtry") and,
// with SCRIPTED_PARTIAL, as scripted_partial_driver (geometry spelled
// "GetGeometry", no use count, no measurement).
#include <cstdint>
#include <cstring>
#include <string>

namespace {
struct State {
    int geometry = 1;
    int calibrated = 1;
    int start = 380, end = 730, interval = 10;
    double values[200] = {};
    char status[128] = "R--";
    int refCount = 1;
    int measureResult = 0;
    int serialResult = 0;
    std::string log;
    int whiteCount = 0;
    int calibrateOnWhite = 1;
} g;

void Log(int n)
{
    if (!g.log.empty())
        g.log += ',';
    g.log += std::to_string(n);
}
} // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT void Scripted_Reset() { g = State(); }
EXPORT void Scripted_SetGeometry(int n) { g.geometry = n; }
EXPORT void Scripted_SetCalibrated(int n) { g.calibrated = n; }
EXPORT void Scripted_SetCalibrateOnWhite(int n) { g.calibrateOnWhite = n; }
EXPORT void Scripted_SetGrid(int s, int e, int i) { g.start = s; g.end = e; g.interval = i; }
EXPORT void Scripted_SetValue(int k, double v) { if (k >= 0 && k < 200) g.values[k] = v; }
EXPORT void Scripted_SetStatus(const char* p) { std::strncpy(g.status, p, sizeof g.status - 1); }
EXPORT void Scripted_SetRefCount(int n) { g.refCount = n; }
EXPORT void Scripted_SetMeasureResult(int n) { g.measureResult = n; }
EXPORT int Scripted_WhiteCount() { return g.whiteCount; }
EXPORT int Scripted_RefCount() { return g.refCount; }
EXPORT const char* Scripted_Log() { return g.log.c_str(); }
EXPORT void Scripted_ClearLog() { g.log.clear(); }

EXPORT int ReadHead(int command, std::intptr_t a, std::intptr_t b, char* buffer)
{
    Log(command);
    switch (command) {
    case 1:
        std::strcpy(buffer, "SN-4711");
        return g.serialResult;
    case 2:
        std::memcpy(buffer, g.status, sizeof g.status);
        return 0;
    // The head's filters: T on (4), T off (5), E on (50), E off (49).
    case 4: g.status[1] = 'T'; return 0;
    case 5: g.status[1] = '-'; return 0;
    case 50: g.status[2] = 'E'; return 0;
    case 49: g.status[2] = '-'; return 0;
    case 6:
        // The work area and the zero the library passes.
        if (!a || !b || *reinterpret_cast<std::int32_t*>(b) != 0)
            return 1;
        ++g.whiteCount;
        if (g.calibrateOnWhite)
            g.calibrated = 1;
        return 0;
    default: return 0;
    }
}

EXPORT int DecrementReferenceCount() { return --g.refCount; }
EXPORT int GetInstrumentName(char* buffer) { std::strcpy(buffer, "Scripted"); return 0; }
EXPORT int GetStartingWavelength() { return g.start; }
EXPORT int GetEndingWavelength() { return g.end; }
EXPORT int GetWavelengthInterval() { return g.interval; }
EXPORT int Calibrated() { return g.calibrated; }

#ifndef SCRIPTED_PARTIAL
EXPORT int GetReferenceCount() { return g.refCount; }
EXPORT int PerformMeasurement(double* values)
{
    std::memcpy(values, g.values, sizeof g.values);
    return g.measureResult;
}
EXPORT int GetGeomtry() { return g.geometry; }
#else
EXPORT int GetGeometry() { return g.geometry; }
#endif
