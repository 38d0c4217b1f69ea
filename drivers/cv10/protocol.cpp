#include "protocol.hpp"

#include "../common/CorvaneLine.hpp"

#include <sstream>
#include <vector>

namespace cv10 {

namespace {

int Say(const std::string& rRequest, std::string* pAnswer = nullptr)
{
    std::string answer;
    if (!corvane::TheLine().Request(rRequest, answer))
        return 1;
    if (pAnswer)
        *pAnswer = answer;
    return 0;
}

} // namespace

int Head(int nCommand, std::intptr_t nA, std::intptr_t nB, char* pBuffer)
{
    std::string answer;
    switch (nCommand) {
    case 0: // start
        return Say("HELLO");
    case 1: { // serial number: the second word of the greeting
        if (Say("HELLO", &answer))
            return 1;
        std::istringstream in(answer);
        std::string model, serial;
        in >> model >> serial;
        corvane::CopyText(pBuffer, 128, serial);
        return 0;
    }
    case 2: // status: ready, filter T, filter E
        if (Say("STATUS", &answer))
            return 1;
        corvane::CopyText(pBuffer, 128, answer);
        return 0;
    case 4: return Say("FILTER T");
    case 5: return Say("FILTER -T");
    case 49: return Say("FILTER -E");
    case 50: return Say("FILTER E");
    case 6:
        // The library passes its work area and a zero; anything else is no
        // white calibration request of ours.
        if (!nA || !nB)
            return 1;
        return Say("WHITE");
    case 19:
        corvane::TheLine().End();
        return 0;
    case 32:
    case 38:
        return 0;
    default:
        return 1;
    }
}

int Calibrated()
{
    std::string answer;
    if (Say("CAL?", &answer))
        return 0;
    return answer == "1";
}

int Measure(double* pValues)
{
    std::vector<double> v;
    if (!pValues || !corvane::TheLine().Measure(START_NM, END_NM, STEP_NM, v) || v.size() > 200)
        return 1;
    for (size_t k = 0; k < v.size(); ++k)
        pValues[k] = v[k];
    return 0;
}

} // namespace cv10
