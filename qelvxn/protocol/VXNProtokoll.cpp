#include "qelvxn/protocol/VXNProtokoll.hpp"

#include "qelvxn/protocol/ReplyStatus.hpp"

#include "qel/MyMemoryBlock.hpp"
#include "sv/MessBox.hpp"

#include <cstring>

namespace {

// Message numbers of the instrument commands.
enum : int {
    MSG_SW_VERSION = 8,
    MSG_SERIAL_NR = 9,
    MSG_DEVICE_TYPE = 13,
    MSG_DEVICE_NAME = 14,
    MSG_SPECTRUM = 15,
    MSG_INDEX_VALUE = 16,
    MSG_TIME_REQUEST = 17,
    MSG_TIME_DOWNLOAD = 18,
    MSG_STD_NAME_DOWNLOAD = 19,
    MSG_GET_VAL_NR = 20,
    MSG_STD_NAME_REQUEST = 21,
    MSG_NAME18_REQUEST = 22,
    MSG_DEL_VAL_NR = 23,
    MSG_LIB_GET_VAL_NR = 24,
    MSG_LIB_SET_VAL_NR = 25,
    MSG_PARAMETER_REQUEST = 26,
    MSG_PARAMETER_DOWNLOAD = 27,
    MSG_MEASURE = 28,
    MSG_WHITE_MEASURE = 29,
    MSG_REF_MEASURE = 30,
    MSG_WHITE_REF = 31,
    MSG_ALT_TAB = 32,
    MSG_TAB_GET_VAL_NR = 33,
    MSG_TAB_SET_VAL_NR = 34,
    MSG_NEW_MEASURE = 35,
    MSG_MEAS_CONTROL_DOWNLOAD = 36,
    MSG_MEAS_CONTROL_REQUEST = 37,
    MSG_NEW_GUIDE = 38,
    MSG_GUIDE_DOWNLOAD = 39,
    MSG_SET_VAL_NR = 40,
    MSG_C_DOWNLOAD = 41,
    MSG_SPECTRUM_DOWNLOAD = 42,
    MSG_DEVICE_READY = 48,
    MSG_HAS_TABLEWALKER = 94,
    MSG_HAS_TABLEWALKER_T = 95,
    MSG_IS_CHROMALETTE = 96,
    MSG_IS_VXN = 97,
    MSG_IS_DENSITOMETER = 98,
    MSG_IS_LUMOVISTA = 99,
    MSG_IS_HUEPOINTER = 100,
    MSG_FILTER_DOWNLOAD = 101,
    // 108 to 126: the file store, in VXNFileSystem.cpp.
};

constexpr int SPECTRUM_BYTES = 36 * 4;
constexpr int WHITE_REF_BYTES = 108 * 4;

// A request with only int fields and no reply fields.
template <class... Vs>
MyMemoryBlock Ints(Vs... v)
{
    MyMemoryBlock b;
    (b << ... << static_cast<int>(v));
    return b;
}

} // namespace

VXNProtokoll::VXNProtokoll(unsigned char nByte) : mnByte(nByte)
{
    // The last two device-data members start at zero; nothing reads them.
    mnDeviceLong = 0;
    mnDeviceShort = 0;
}

unsigned char VXNProtokoll::Exchange(int nMessage, MyMemoryBlock& rBlock, DisEnable eDisEnable)
{
    return PostOffice::Instance()->SendAndReceive(0, nMessage, rBlock, rBlock, eDisEnable);
}

unsigned char VXNProtokoll::AnswerByte(int nMessage)
{
    MyMemoryBlock b;
    if (!Exchange(nMessage, b) || !ReplyStatusOk(b))
        return 0;
    unsigned char v = 0;
    b >> v;
    return b.Failed() ? 0 : v;
}

unsigned int VXNProtokoll::GetSWVersion()
{
    MyMemoryBlock b;
    if (!Exchange(MSG_SW_VERSION, b) || !ReplyStatusOk(b))
        return 0;
    int v = 0;
    b >> v;
    return b.Failed() ? 0 : static_cast<unsigned int>(v);
}

String VXNProtokoll::GetSerieNr()
{
    unsigned int nr = 0;
    MyMemoryBlock b;
    if (Exchange(MSG_SERIAL_NR, b) && ReplyStatusOk(b)) {
        int v = 0;
        b >> v;
        if (!b.Failed())
            nr = static_cast<unsigned int>(v);
    }
    return String(nr);
}

String VXNProtokoll::GetDisplayString()
{
    InfoBox(nullptr, String("VXNProtokoll::GetDisplayString noch nicht implementiert mit VXNServer")).Execute();
    return String();
}

bool VXNProtokoll::DeviceReady()
{
    MyMemoryBlock b;
    b << static_cast<char>(0);
    return Exchange(MSG_DEVICE_READY, b, DE_PROBE) && ReplyStatusOk(b);
}

unsigned char VXNProtokoll::IsaVXN() { return AnswerByte(MSG_IS_VXN); }
unsigned char VXNProtokoll::IsaDensitometer() { return AnswerByte(MSG_IS_DENSITOMETER); }
unsigned char VXNProtokoll::IsaChromalette() { return AnswerByte(MSG_IS_CHROMALETTE); }
unsigned char VXNProtokoll::IsaLumovista() { return AnswerByte(MSG_IS_LUMOVISTA); }
unsigned char VXNProtokoll::IsaHuepointer() { return AnswerByte(MSG_IS_HUEPOINTER); }
unsigned char VXNProtokoll::HasaTableWalker() { return AnswerByte(MSG_HAS_TABLEWALKER); }
unsigned char VXNProtokoll::HasaTableWalkerT() { return AnswerByte(MSG_HAS_TABLEWALKER_T); }

long VXNProtokoll::GetDeviceType()
{
    MyMemoryBlock b;
    if (!Exchange(MSG_DEVICE_TYPE, b) || !ReplyStatusOk(b))
        return 0;
    long v = 0;
    b >> v;
    return b.Failed() ? 0 : v;
}

String VXNProtokoll::GetDeviceName()
{
    MyMemoryBlock b;
    if (!Exchange(MSG_DEVICE_NAME, b) || !ReplyStatusOk(b))
        return String();
    String s;
    b >> s;
    return b.Failed() ? String() : s;
}

unsigned char VXNProtokoll::FilterDownload(ValueFilterType eFilter)
{
    MyMemoryBlock b = Ints(eFilter);
    if (!Exchange(MSG_FILTER_DOWNLOAD, b) || !ReplyStatusOk(b))
        return 0;
    unsigned char v = 0;
    b >> v;
    return b.Failed() ? 0 : v;
}

unsigned char VXNProtokoll::SpectrumRequest(ValueType eValue, SpectType eSpect, float* const pValues,
                                            unsigned char& rFlag)
{
    MyMemoryBlock b = Ints(eValue, eSpect);
    if (!Exchange(MSG_SPECTRUM, b) || !ReplyStatusOk(b))
        return 0;
    float tmp[36];
    unsigned char flag = 0;
    b.Get(tmp, SPECTRUM_BYTES);
    b >> flag;
    if (b.Failed())
        return 0;
    std::memcpy(pValues, tmp, SPECTRUM_BYTES);
    rFlag = flag;
    return 1;
}

unsigned char VXNProtokoll::IndexValueRequest(ValueType eValue, IndexType eIndex, float& rValue,
                                              unsigned char& rFlag)
{
    MyMemoryBlock b = Ints(eValue, eIndex);
    if (!Exchange(MSG_INDEX_VALUE, b) || !ReplyStatusOk(b))
        return 0;
    float v = 0;
    unsigned char flag = 0;
    b.Get(&v, 4);
    b >> flag;
    if (b.Failed())
        return 0;
    rValue = v;
    rFlag = flag;
    return 1;
}

unsigned char VXNProtokoll::TimeRequest(ValueType eValue, short* const pTime)
{
    MyMemoryBlock b = Ints(eValue);
    if (!Exchange(MSG_TIME_REQUEST, b) || !ReplyStatusOk(b))
        return 0;
    int t[7] = {};
    for (int& v : t)
        b >> v;
    if (b.Failed())
        return 0;
    for (int i = 0; i < 7; ++i)
        pTime[i] = static_cast<short>(t[i]);
    return 1;
}

unsigned char VXNProtokoll::TimeDownload(ValueType eValue, const short* const pTime)
{
    MyMemoryBlock b = Ints(eValue);
    for (int i = 0; i < 7; ++i)
        b << static_cast<int>(pTime[i]);
    return Exchange(MSG_TIME_DOWNLOAD, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::StdNameDownload(ValueType eValue, const char* const pName)
{
    MyMemoryBlock b = Ints(eValue);
    b.Put(pName, 17);
    return Exchange(MSG_STD_NAME_DOWNLOAD, b) && ReplyStatusOk(b) ? 1 : 0;
}

// The three GetValNr forms differ only in their message number.
unsigned char VXNProtokoll::ValNrRequest(int nMessage, int nValue, short& rNr)
{
    MyMemoryBlock b = Ints(nValue);
    if (!Exchange(nMessage, b) || !ReplyStatusOk(b))
        return 0;
    int v = 0;
    b >> v;
    if (b.Failed())
        return 0;
    rNr = static_cast<short>(v);
    return 1;
}

unsigned char VXNProtokoll::GetValNr(ValueType eValue, short& rNr)
{
    return ValNrRequest(MSG_GET_VAL_NR, eValue, rNr);
}

unsigned char VXNProtokoll::GetValNr(LibValueType eValue, short& rNr)
{
    return ValNrRequest(MSG_LIB_GET_VAL_NR, eValue, rNr);
}

unsigned char VXNProtokoll::GetValNr(TabValueType eValue, short& rNr)
{
    return ValNrRequest(MSG_TAB_GET_VAL_NR, eValue, rNr);
}

unsigned char VXNProtokoll::StdNameRequest(LibValueType eValue, char* const pName)
{
    MyMemoryBlock b = Ints(eValue);
    if (!Exchange(MSG_STD_NAME_REQUEST, b) || !ReplyStatusOk(b))
        return 0;
    char tmp[17];
    if (b.Get(tmp, 17) != 17)
        return 0;
    std::memcpy(pName, tmp, 17);
    return 1;
}

unsigned char VXNProtokoll::Name18Request(LibValueType eValue, char* const pName)
{
    MyMemoryBlock b = Ints(eValue);
    if (!Exchange(MSG_NAME18_REQUEST, b) || !ReplyStatusOk(b))
        return 0;
    char tmp[19];
    if (b.Get(tmp, 19) != 19)
        return 0;
    std::memcpy(pName, tmp, 19);
    return 1;
}

unsigned char VXNProtokoll::DelValNr(LibValueType eValue)
{
    MyMemoryBlock b = Ints(eValue);
    return Exchange(MSG_DEL_VAL_NR, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::SetValNr(LibValueType eValue, short nNr)
{
    MyMemoryBlock b = Ints(eValue, nNr);
    return Exchange(MSG_LIB_SET_VAL_NR, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::SetValNr(TabValueType eValue, short nNr)
{
    MyMemoryBlock b = Ints(eValue, nNr);
    return Exchange(MSG_TAB_SET_VAL_NR, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::SetValNr(ValueType eValue, short nNr)
{
    MyMemoryBlock b = Ints(eValue, nNr);
    return Exchange(MSG_SET_VAL_NR, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::ParameterRequest(DStdType& rDStd, StoredWBaseType& rWBase, IllumType& rIllum,
                                             ObserverType& rObserver, ValueFilterType& rFilter)
{
    MyMemoryBlock b;
    if (!Exchange(MSG_PARAMETER_REQUEST, b) || !ReplyStatusOk(b))
        return 0;
    long v[5] = {};
    for (long& x : v)
        b >> x;
    if (b.Failed())
        return 0;
    rDStd = static_cast<DStdType>(v[0]);
    rWBase = static_cast<StoredWBaseType>(v[1]);
    rIllum = static_cast<IllumType>(v[2]);
    rObserver = static_cast<ObserverType>(v[3]);
    rFilter = static_cast<ValueFilterType>(v[4]);
    return 1;
}

unsigned char VXNProtokoll::ParameterDownload(DStdType eDStd, StoredWBaseType eWBase, IllumType eIllum,
                                              ObserverType eObserver)
{
    MyMemoryBlock b;
    b << static_cast<long>(eDStd) << static_cast<long>(eWBase) << static_cast<long>(eIllum)
      << static_cast<long>(eObserver);
    return Exchange(MSG_PARAMETER_DOWNLOAD, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::ExecMeasurement()
{
    MyMemoryBlock b;
    return Exchange(MSG_MEASURE, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::ExecWhiteMeasurement()
{
    MyMemoryBlock b;
    return Exchange(MSG_WHITE_MEASURE, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::ExecRefMeasurement(ValueType eValue, MeasurementModeType eMode)
{
    MyMemoryBlock b = Ints(eValue, eMode);
    return Exchange(MSG_REF_MEASURE, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::WhiteRefRequest(float* const pValues)
{
    MyMemoryBlock b;
    if (!Exchange(MSG_WHITE_REF, b) || !ReplyStatusOk(b))
        return 0;
    float tmp[108];
    if (b.Get(tmp, WHITE_REF_BYTES) != WHITE_REF_BYTES)
        return 0;
    std::memcpy(pValues, tmp, WHITE_REF_BYTES);
    return 1;
}

unsigned char VXNProtokoll::AltTabActivRequest(unsigned char& rFirst, unsigned char* const pFlags,
                                               unsigned char& rThird)
{
    MyMemoryBlock b;
    if (!Exchange(MSG_ALT_TAB, b) || !ReplyStatusOk(b))
        return 0;
    unsigned char first = 0, third = 0, flags[4];
    b >> first;
    b.Get(flags, 4);
    b >> third;
    if (b.Failed())
        return 0;
    rFirst = first;
    std::memcpy(pFlags, flags, 4);
    rThird = third;
    return 1;
}

unsigned char VXNProtokoll::NewMeasureRequest(NewMeasurementType& rNew, ValueType& rValue)
{
    MyMemoryBlock b;
    if (!Exchange(MSG_NEW_MEASURE, b) || !ReplyStatusOk(b))
        return 0;
    int n = 0, v = 0;
    b >> n >> v;
    if (b.Failed())
        return 0;
    rNew = static_cast<NewMeasurementType>(n);
    rValue = static_cast<ValueType>(v);
    return 1;
}

unsigned char VXNProtokoll::MeasControlDownload(ControlType eControl, int nValue)
{
    MyMemoryBlock b = Ints(eControl, nValue);
    return Exchange(MSG_MEAS_CONTROL_DOWNLOAD, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::MeasControlRequest(ControlType eControl, ControlType& rAnswer)
{
    MyMemoryBlock b = Ints(eControl);
    if (!Exchange(MSG_MEAS_CONTROL_REQUEST, b) || !ReplyStatusOk(b))
        return 0;
    int v = 0;
    b >> v;
    if (b.Failed())
        return 0;
    rAnswer = static_cast<ControlType>(v);
    return 1;
}

unsigned char VXNProtokoll::NewUserGuideRequest(short nGuide, const short* const pHeader,
                                                unsigned char* const pBuffer, short& rShort,
                                                unsigned short& rUShort)
{
    MyMemoryBlock b = Ints(nGuide);
    b.Put(pHeader, 4);
    if (!Exchange(MSG_NEW_GUIDE, b) || !ReplyStatusOk(b))
        return 0;
    unsigned char buf[2];
    int s = 0, u = 0;
    b.Get(buf, 2);
    b >> s >> u;
    if (b.Failed())
        return 0;
    std::memcpy(pBuffer, buf, 2);
    rShort = static_cast<short>(s);
    rUShort = static_cast<unsigned short>(u);
    return 1;
}

unsigned char VXNProtokoll::UserGuideDownload(short nGuide, const short* const pHeader,
                                              const unsigned char* const pBlock, unsigned short& rStatus)
{
    MyMemoryBlock b = Ints(nGuide);
    b.Put(pHeader, 4);
    b.Put(pBlock, 512);
    if (!Exchange(MSG_GUIDE_DOWNLOAD, b) || !ReplyStatusOk(b))
        return 0;
    int u = 0;
    b >> u;
    if (b.Failed())
        return 0;
    rStatus = static_cast<unsigned short>(u);
    return 1;
}

unsigned char VXNProtokoll::CDownload(ValueType eValue, CType eC, const float* const pLab)
{
    MyMemoryBlock b = Ints(eValue, eC);
    b.Put(pLab, 12);
    return Exchange(MSG_C_DOWNLOAD, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::SpectrumDownload(ValueType eValue, SpectType eSpect, const float* const pValues)
{
    MyMemoryBlock b = Ints(eValue, eSpect);
    b.Put(pValues, SPECTRUM_BYTES);
    return Exchange(MSG_SPECTRUM_DOWNLOAD, b) && ReplyStatusOk(b) ? 1 : 0;
}

unsigned char VXNProtokoll::DeviceDataRequest(char (&)[19], short&, char (&)[10], SerialNumberType&, char (&)[13])
{
    return 0;
}

unsigned char VXNProtokoll::SoftwareDownload()
{
    return 1;
}
