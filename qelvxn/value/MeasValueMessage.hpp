// The measured value an instrument sends unasked when measuring is triggered
// at the unit (message 43): a 4-byte byte count, then that many bytes of a
// "MeasValue" section in version 2 of the text format.
#pragma once

class GPtMesswert;
class MyMemoryBlock;

// Reads the value from the message's block; 0 (rValue unchanged) when the
// count does not fit the block, the text declares a version other than 2
// or it is no readable value. The count
// is checked against the bytes that arrived before anything is allocated.
unsigned char ReadMeasValueMessage(MyMemoryBlock& rBlock, GPtMesswert& rValue);
