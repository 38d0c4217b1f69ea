#include "protocol.hpp"

#include "../common/CorvaneLine.hpp"

#include <sstream>
#include <vector>

namespace cv20 {

namespace {

bool gCalibrated = false;

int Say(const std::string& rRequest, std::string* pAnswer = nullptr)
{
    std::string answer;
    // The built-in tile: calibrated once, before the first request.
    if (!gCalibrated) {
        if (!corvane::TheLine().Request("WHITE", answer))
            return 1;
        gCalibrated = true;
    }
    if (!corvane::TheLine().Request(rRequest, answer))
        return 1;
    if (pAnswer)
        *pAnswer = answer;
    return 0;
}

} // namespace

int Head(int nCommand, std::intptr_t, std::intptr_t, char* pBuffer)
{
    std::string answer;
    switch (nCommand) {
    case 0: return Say("HELLO");
    case 1: {
        if (Say("HELLO", &answer))
            return 1;
        std::istringstream in(answer);
        std::string model, serial;
        in >> model >> serial;
        corvane::CopyText(pBuffer, 128, serial);
        return 0;
    }
    case 2:
        if (Say("STATUS", &answer))
            return 1;
        corvane::CopyText(pBuffer, 128, answer);
        return 0;
    case 19:
        corvane::TheLine().End();
        gCalibrated = false;
        return 0;
    case 32:
    case 38:
        return 0;
    default: // no filters, no white calibration through the head
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
    std::string ignored;
    if (!pValues || Say("STATUS", &ignored) || !corvane::TheLine().Measure(START_NM, END_NM, STEP_NM, v) ||
        v.size() > 200)
        return 1;
    for (size_t k = 0; k < v.size(); ++k)
        pValues[k] = v[k];
    return 0;
}

} // namespace cv20
