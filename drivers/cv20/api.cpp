// The entry points of the CV20 driver module (see
// qelvxn/backends/DriverEntryPoints.hpp); the head's own requests are in
// protocol.cpp.
#include "protocol.hpp"

#include "../common/CorvaneLine.hpp"

#include <cstdint>

#define CV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
// The application's load counts as one use.
int gUses = 1;
} // namespace

CV_EXPORT int ReadHead(int nCommand, std::intptr_t nA, std::intptr_t nB, char* pBuffer)
{
    return cv20::Head(nCommand, nA, nB, pBuffer);
}
CV_EXPORT int GetReferenceCount() { return gUses; }
CV_EXPORT int DecrementReferenceCount() { return gUses > 0 ? --gUses : 0; }
CV_EXPORT int GetInstrumentName(char* pBuffer)
{
    corvane::CopyText(pBuffer, 256, "CV20");
    return 0;
}
CV_EXPORT int GetStartingWavelength() { return cv20::START_NM; }
CV_EXPORT int GetEndingWavelength() { return cv20::END_NM; }
CV_EXPORT int GetWavelengthInterval() { return cv20::STEP_NM; }
CV_EXPORT int Calibrated() { return cv20::Calibrated(); }
CV_EXPORT int PerformMeasurement(double* pValues) { return cv20::Measure(pValues); }
CV_EXPORT int GetGeometry() { return cv20::GEOMETRY; }
