// Baud rates of serial lines and the termios constants that set them, one
// table for every program that opens a line (the transport's serial:
// endpoint, the Win32 stand-in's COM ports, the plug-in drivers' lines).
#pragma once

#include <termios.h>

// The termios speed of a baud rate (300 to 230400); 0 for a rate the lines
// here do not take.
speed_t SerialSpeed(long nBaud);
// The reverse: the baud rate of a termios speed; 0 for none of the table.
long SerialBaud(speed_t nSpeed);
