// The status char that begins every reply of the instrument, shared by the
// command sets that VXNProtokoll's files implement.
#pragma once

#include "qel/MyMemoryBlock.hpp"

// Reads the status char; true when the instrument carried the command out.
inline bool ReplyStatusOk(MyMemoryBlock& rBlock)
{
    char status = 1;
    rBlock >> status;
    return !rBlock.Failed() && status == 0;
}
