// The Windows API functions the library calls, mapped onto POSIX. (Filled in
// with the serial port and the driver modules.)
#pragma once
