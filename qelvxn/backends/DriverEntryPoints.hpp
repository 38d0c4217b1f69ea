// The entry points of a plug-in instrument driver module, by name and
// signature. The library looks each one up by name at every call; a module
// exports them with C linkage. All return int.
//
//   ReadHead(command, a, b, buffer)  a command to the instrument head; 0 = done.
//                                    a and b are 0 except for the white
//                                    calibration (command 6), where they carry
//                                    pointers, hence pointer-sized here. The
//                                    buffer is 128 bytes (null for command 19).
//   GetReferenceCount()              the module's use count
//   DecrementReferenceCount()
//   GetInstrumentName(buffer)        256 bytes
//   GetStartingWavelength()          first wavelength of a measurement, nm
//   GetEndingWavelength()            last wavelength, nm
//   GetWavelengthInterval()          step, nm (10 or 20)
//   Calibrated()                     0 = not calibrated
//   PerformMeasurement(values)       200 doubles, one per step from the start; 0 = done
//   GetGeomtry() or GetGeometry()    0 = device type 4, anything else device type 2
#pragma once

#include <cstdint>

namespace corvane {

using ReadHeadFn = int (*)(int nCommand, std::intptr_t nA, std::intptr_t nB, char* pBuffer);
using CountFn = int (*)();
using NameFn = int (*)(char* pBuffer);
using MeasureFn = int (*)(double* pValues);

constexpr int HEAD_BUFFER_SIZE = 128;
constexpr int NAME_BUFFER_SIZE = 256;
constexpr int MEASUREMENT_CAPACITY = 200;
constexpr int WHITE_WORK_AREA_SIZE = 160;

// ReadHead commands the library sends.
enum HeadCommand : int {
    HEAD_START = 0,
    HEAD_SERIAL_NUMBER = 1,
    HEAD_STATUS = 2,
    HEAD_FILTER_T = 4,
    HEAD_FILTER_BASE = 5,
    HEAD_WHITE = 6,
    HEAD_END = 19,
    HEAD_EXTENDED_START = 32,
    HEAD_AFTER_START = 38,
    HEAD_FILTER_ENGAGE = 49,
    HEAD_FILTER_E = 50,
};

} // namespace corvane
