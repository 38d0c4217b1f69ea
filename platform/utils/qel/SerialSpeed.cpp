#include "qel/SerialSpeed.hpp"

#include <utility>

namespace {

constexpr std::pair<long, speed_t> RATES[] = {
    {300, B300},     {1200, B1200},   {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

} // namespace

speed_t SerialSpeed(long nBaud)
{
    for (const auto& [baud, speed] : RATES)
        if (baud == nBaud)
            return speed;
    return 0;
}

long SerialBaud(speed_t nSpeed)
{
    for (const auto& [baud, speed] : RATES)
        if (speed == nSpeed)
            return baud;
    return 0;
}
