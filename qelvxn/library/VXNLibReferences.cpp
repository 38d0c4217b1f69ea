// Downloading a measured value into one of the instrument's reference slots.
// The value goes first (a spectrum or an L*a*b* triple), then, on
// instruments from software version 355 on, the date and time the value was
// created, then its designation as the reference's name. Each step runs only
// while the ones before succeeded, so a refused value leaves no date or name
// behind on the instrument. No lock is taken: the download is a handful of
// independent commands that the instrument accepts in any order.
#include "qelvxn/library/VXNLib.hpp"

#include "qel/ColorVector.hpp"
#include "qel/RegisterTopWindow.hpp"
#include "qel/Spectrum.hpp"
#include "qel/Text.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "sv/MessBox.hpp"

#include <cstring>

namespace {

// Slots below this are addressed by their number; the rest through the
// selected-reference value type.
constexpr long FIRST_INDIRECT_SLOT = 9;
constexpr unsigned int SW_REFERENCE_DATE = 355;
constexpr long DEVICE_TYPE_NO_NAMES = 65536;

// The value type under which the slot's value, date and name are written.
ValueType SlotValueType(long nSlot)
{
    return nSlot < FIRST_INDIRECT_SLOT ? static_cast<ValueType>(nSlot) : VALUE_SELECTED_REFERENCE;
}

} // namespace

unsigned char VXNLib::ReferenzDownload(long nSlot, GPtMesswert& rValue)
{
    const ValueType eType = SlotValueType(nSlot);
    const bool bIndirect = nSlot >= FIRST_INDIRECT_SLOT;
    // An indirect slot is reached by selecting value number slot + 1 first;
    // the value is sent only when the selection took.
    auto select = [&]() -> unsigned char {
        return bIndirect ? SetValNr(VALUE_REFERENCE_SELECT, static_cast<short>(nSlot + 1)) : 1;
    };

    unsigned char nResult = 0;
    switch (rValue.IsA()) {
    case GPtMesswert::TYPE_SPECTRUM: {
        Spectrum aSpectrum;
        rValue.GetSpectrum(aSpectrum);
        nResult = select() && SpectrumDownload(eType, SPECT_REMISSION, aSpectrum.GetValues()) ? 1 : 0;
        break;
    }
    case GPtMesswert::TYPE_LAB: {
        LABVector aLab;
        rValue.GetLab(aLab);
        const float aValues[3] = {static_cast<float>(aLab.GetL()), static_cast<float>(aLab.GetA()),
                                  static_cast<float>(aLab.GetB())};
        nResult = select() && CDownload(eType, CTYPE_LAB, aValues) ? 1 : 0;
        break;
    }
    default:
        ErrorBox(RegisterTopWindow::GetActiveTopWindow(), 16, String("ERROR: MyVxn::ReferenzDownload()")).Execute();
        return 0;
    }

    // The date of the value, as the instrument keeps it: two-digit year.
    if (nResult && GetSWVersion() >= SW_REFERENCE_DATE) {
        const long nDate = rValue.GetDate(), nTime = rValue.GetTime();
        const short aTime[7] = {0,
                                static_cast<short>(nTime % 100),
                                static_cast<short>(nTime / 100 % 100),
                                static_cast<short>(nTime / 10000 % 100),
                                static_cast<short>(nDate % 100),
                                static_cast<short>(nDate / 100 % 100),
                                static_cast<short>(nDate / 10000 % 100)};
        nResult = TimeDownload(eType, aTime);
    }

    // Instruments of device type 65536 and texts in Japanese or Chinese
    // script have no room for the name in the instrument's character set.
    if (nResult && !Language::IsJapanese() && !Language::IsChinese() && GetDeviceType() != DEVICE_TYPE_NO_NAMES) {
        String aName = rValue.GetBezeichnung();
        aName.Expand(16, ' ').Cut(16);
        char aRaw[17] = {};
        std::memcpy(aRaw, aName.GetStr(), 16);
        nResult = StdNameDownload(eType, aRaw);
    }
    return nResult;
}
