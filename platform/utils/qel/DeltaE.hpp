// DeltaE: colour differences.
#pragma once

class LABVector;
class LABmgVector;

class DeltaE {
public:
    // CIE 1976 colour difference ΔE*ab, the Euclidean distance in L*a*b*.
    static float CIELAB(const LABVector& rSample, const LABVector& rReference);
    // DIN99 colour difference ΔE99 (DIN 6176), the Euclidean distance in
    // L99, a99, b99.
    static float DIN99(const LABmgVector& rSample, const LABmgVector& rReference);
    static float DIN99(const LABVector& rSample, const LABVector& rReference);
};
