#include "qelvxn/conditions/VxnSet.hpp"

#include "qel/ConditionText.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "sv/Config.hpp"

namespace {

constexpr unsigned char END = 255;

// Filters each device class offers, in list order, each row ended by END.
constexpr unsigned char FILTER_TABLE[8][9] = {
    {1, 2, 3, 5, 6, 7, 8, 9, END},
    {1, 2, 3, END},
    {1, 2, 3, 5, 6, END},
    {1, END},
    {1, 2, 4, END},
    {1, 2, 3, 5, 6, END},
    {7, 8, 9, END},
    {1, END},
};

const char GROUP[] = "VXNSettings";

} // namespace

int VxnSet::DeviceClass(long nDeviceType)
{
    switch (nDeviceType) {
    case 1:
    case 16:
    case 256:
    case 4096:
    case 65536:
    case 1048576:
    case 2097152: {
        // Without a library object there is nobody to ask: not a Huepointer.
        ScanLib* pLib = VXNLib::Instance();
        return pLib && static_cast<VXNLib*>(pLib)->IsaHuepointer() ? 5 : 1;
    }
    case 2:
        return 6;
    case 32:
        return 7;
    case 4194304:
        return 2;
    case 8388608:
        return 3;
    case 16777216:
    case 33554432:
    case 268435456:
        return 4;
    default:
        return 0;
    }
}

VxnSet::VxnSet(Config* pConfig, long nDeviceType) : mpConfig(pConfig)
{
    mnDeviceClass = DeviceClass(nDeviceType);
    if (!mpConfig) {
        // The defaults, under the same rule as values read: the filter is
        // always one the class offers.
        EnsureAllowedFilter();
        return;
    }
    mpConfig->SetGroup(String(GROUP));
    meIllumination = ConditionText::IllumFromConfig(mpConfig->ReadKey("Illumination", "D65"));
    long n = mpConfig->ReadKey("DxxTempNr", "55").ToLong();
    mnDxxTempNr = static_cast<short>(n < 30 || n > 300 ? 55 : n);
    meObserver = ConditionText::ObserverFromConfig(mpConfig->ReadKey("Observer", "2"));
    meDStd = ConditionText::DStdFromConfig(mpConfig->ReadKey("DensityStd", "DIN"));
    meWhiteBase = ConditionText::WBaseFromConfig(mpConfig->ReadKey("WhiteBase", "Abs"));
    meFilter = ConditionText::FilterFromConfig(mpConfig->ReadKey("Filter", "Pol"));
    EnsureAllowedFilter();
}

VxnSet::VxnSet(IllumType eIllum, short nDxxTempNr, ObserverType eObserver, DStdType eDStd, StoredWBaseType eWBase,
               ValueFilterType eFilter, long nDeviceType)
    : meIllumination(eIllum), mnDxxTempNr(nDxxTempNr), meObserver(eObserver), meWhiteBase(eWBase), meFilter(eFilter),
      meDStd(eDStd), mpConfig(nullptr), mnDeviceClass(DeviceClass(nDeviceType))
{
    EnsureAllowedFilter();
}

VxnSet::~VxnSet()
{
    mpConfig = nullptr;
}

void VxnSet::EnsureAllowedFilter()
{
    for (const unsigned char* p = FILTER_TABLE[mnDeviceClass]; *p != END; ++p)
        if (*p == meFilter)
            return;
    meFilter = static_cast<ValueFilterType>(FILTER_TABLE[mnDeviceClass][0]);
}

void VxnSet::SetDevice(long nDeviceType)
{
    mnDeviceClass = DeviceClass(nDeviceType);
}

void VxnSet::SetData(const MeasuringCondition& rCondition)
{
    meIllumination = rCondition.GetIllum().GetType();
    mnDxxTempNr = rCondition.GetIllum().GetTempNr();
    meObserver = rCondition.GetObserver().GetType();
    meDStd = rCondition.GetDStd().GetType();
    meWhiteBase = rCondition.GetWBase().GetType();
    meFilter = rCondition.GetFilter().GetType();
}

MeasuringCondition VxnSet::GetData()
{
    return MeasuringCondition(PhysicalConditions(ActualFilterClass(meFilter), WBaseClass(meWhiteBase)),
                              IllumClass(meIllumination, mnDxxTempNr), ObserverClass(meObserver), DStdClass(meDStd));
}

IllumType VxnSet::GetIllumination() { return meIllumination; }
short VxnSet::GetDxxTempNr() { return mnDxxTempNr; }
ObserverType VxnSet::GetObserver() { return meObserver; }
DStdType VxnSet::GetDStd() { return meDStd; }
StoredWBaseType VxnSet::GetWhiteBase() { return meWhiteBase; }
ValueFilterType VxnSet::GetFilter() { return meFilter; }

unsigned short VxnSet::GetFilterEntry(ValueFilterType eFilter) const
{
    const unsigned char* row = FILTER_TABLE[mnDeviceClass];
    for (unsigned short i = 0; row[i] != END; ++i)
        if (row[i] == eFilter)
            return i;
    return 0;
}

ValueFilterType VxnSet::GetPossibleFilter(int nPos) const
{
    const unsigned char* row = FILTER_TABLE[mnDeviceClass];
    for (int i = 0; row[i] != END; ++i)
        if (i == nPos)
            return static_cast<ValueFilterType>(row[i]);
    return FILTER_NOT_SET;
}

unsigned char VxnSet::WriteDataToConfig()
{
    if (!mpConfig)
        return 0;
    // Through the virtual getters, in this order: a derived panel takes the
    // values from its controls here.
    IllumType illum = GetIllumination();
    short nDxx = GetDxxTempNr();
    ObserverType observer = GetObserver();
    DStdType dstd = GetDStd();
    StoredWBaseType wbase = GetWhiteBase();
    ValueFilterType filter = GetFilter();
    mpConfig->SetGroup(String(GROUP));
    mpConfig->WriteKey("Illumination", ConditionText::IllumToConfig(illum));
    mpConfig->WriteKey("DxxTempNr", String(static_cast<int>(nDxx)));
    mpConfig->WriteKey("Observer", ConditionText::ObserverToConfig(observer));
    mpConfig->WriteKey("DensityStd", ConditionText::DStdToConfig(dstd));
    mpConfig->WriteKey("WhiteBase", ConditionText::WBaseToConfig(wbase));
    mpConfig->WriteKey("Filter", ConditionText::FilterToConfig(filter));
    return 1;
}
