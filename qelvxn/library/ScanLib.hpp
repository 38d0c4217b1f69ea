// ScanLib: the instrument library with the scanning table's command set.
// CreateVXNLib always builds one, so table operations are available whether
// or not a table is connected.
#pragma once

#include "qelvxn/library/VXNLib.hpp"
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"

class ScanLib : public TABLEWALKERProtokoll, public VXNLib {
public:
    ~ScanLib() override = default;
    ScanLib(const ScanLib&) = default;
    ScanLib& operator=(const ScanLib&) = default;

protected:
    explicit ScanLib(unsigned char nByte) : TABLEWALKERProtokoll(), VXNLib(nByte) {}
    friend class VXNLib;
};
