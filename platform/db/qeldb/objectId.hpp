// objectId: identity, designation and creation time of a persistent object.
// (The object database grows with the measured-value object.)
#pragma once

#include "sv/String.hpp"

class objectId {
public:
    objectId() = default;
    virtual ~objectId() = default;
    void SetBezeichnung(const String& r) { maBezeichnung = r; }
    const String& GetBezeichnung() const { return maBezeichnung; }

private:
    String maBezeichnung;
};
