#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"

#include "qel/MyMemoryBlock.hpp"
#include "qel/PostOffice.hpp"

#include <cstring>

namespace {
enum : int {
    MSG_MOVE_ABSOLUT = 51,
    MSG_MOVE_RELATIVE = 52,
    MSG_MOVE_HOME = 53,
    MSG_MOVE_UP = 54,
    MSG_MOVE_DOWN = 55,
    MSG_MOVE_WHITE_REF = 56,
    MSG_ACTUAL_POSITION = 57,
    MSG_INITIALIZE = 58,
    MSG_SCAN_CHROMALETTE = 59,
    MSG_ONLINE = 60,
    MSG_OFFLINE = 61,
    MSG_HOLD_PAPER = 62,
    MSG_RELEASE_PAPER = 63,
    MSG_DIGITIZING_MODE = 64,
    MSG_DIGITIZED_VALUES = 65,
    MSG_BAUDRATE = 66,
    MSG_HANDSHAKE = 67,
    MSG_ACTUAL_KEY = 68,
    MSG_LAST_KEY = 69,
    MSG_STATUS = 70,
    MSG_CLEAR_STATUS = 71,
    MSG_SET_SPECIAL_STATUS = 72,
    MSG_CLEAR_SPECIAL_STATUS = 73,
    MSG_SPECIAL_STATUS = 74,
    MSG_ERROR = 75,
    MSG_TYPE = 76,
    MSG_SERIAL_NUMBER = 77,
    MSG_ARTICLE_NUMBER = 78,
    MSG_PRODUCTION_DATE = 79,
    MSG_SOFTWARE_VERSION = 80,
    MSG_SPECTRUM_AT_POS = 84,
    MSG_TABLE_MODE = 85,
    MSG_LIGHT_LEVEL = 86,
    MSG_TRANSM_STANDBY = 87,
};
} // namespace

bool TABLEWALKERProtokoll::Command(int nMessage, MyMemoryBlock& rBlock)
{
    if (!PostOffice::Instance()->SendAndReceive(0, nMessage, rBlock, rBlock, DE_NORMAL))
        return false;
    char status = 1;
    rBlock >> status;
    return !rBlock.Failed() && status == 0;
}

unsigned char TABLEWALKERProtokoll::Simple(int nMessage)
{
    MyMemoryBlock b;
    return Command(nMessage, b) ? 1 : 0;
}

unsigned char TABLEWALKERProtokoll::OneInt(int nMessage, int nValue)
{
    MyMemoryBlock b;
    b << nValue;
    return Command(nMessage, b) ? 1 : 0;
}

unsigned char TABLEWALKERProtokoll::RawText(int nMessage, char* pOut, long nBytes)
{
    MyMemoryBlock b;
    if (!Command(nMessage, b))
        return 0;
    char tmp[32];
    if (b.Get(tmp, nBytes) != nBytes)
        return 0;
    std::memcpy(pOut, tmp, static_cast<size_t>(nBytes));
    return 1;
}

unsigned char TABLEWALKERProtokoll::MoveAbsolut(ReferenceTYPE eRef, unsigned short nX, unsigned short nY)
{
    MyMemoryBlock b;
    b << static_cast<int>(eRef) << static_cast<int>(nX) << static_cast<int>(nY);
    return Command(MSG_MOVE_ABSOLUT, b) ? 1 : 0;
}

unsigned char TABLEWALKERProtokoll::MoveRelative(short nDX, short nDY)
{
    MyMemoryBlock b;
    b << static_cast<int>(nDX) << static_cast<int>(nDY);
    return Command(MSG_MOVE_RELATIVE, b) ? 1 : 0;
}

unsigned char TABLEWALKERProtokoll::MoveHome() { return Simple(MSG_MOVE_HOME); }
unsigned char TABLEWALKERProtokoll::MoveUp() { return Simple(MSG_MOVE_UP); }
unsigned char TABLEWALKERProtokoll::MoveDown() { return Simple(MSG_MOVE_DOWN); }
unsigned char TABLEWALKERProtokoll::MoveToWhiteRefPos(short nPos) { return OneInt(MSG_MOVE_WHITE_REF, nPos); }

unsigned char TABLEWALKERProtokoll::OutputActualPosition(ReferenceTYPE eRef, unsigned short& rX, unsigned short& rY,
                                                         ZKoordTYPE& rZ)
{
    MyMemoryBlock b;
    b << static_cast<int>(eRef);
    if (!Command(MSG_ACTUAL_POSITION, b))
        return 0;
    int x = 0, y = 0, z = 0;
    b >> x >> y >> z;
    if (b.Failed())
        return 0;
    rX = static_cast<unsigned short>(x);
    rY = static_cast<unsigned short>(y);
    rZ = static_cast<ZKoordTYPE>(z);
    return 1;
}

unsigned char TABLEWALKERProtokoll::InitializeDevice() { return Simple(MSG_INITIALIZE); }
unsigned char TABLEWALKERProtokoll::ScanChromalette() { return Simple(MSG_SCAN_CHROMALETTE); }
unsigned char TABLEWALKERProtokoll::SetDeviceOnline() { return Simple(MSG_ONLINE); }
unsigned char TABLEWALKERProtokoll::SetDeviceOffline() { return Simple(MSG_OFFLINE); }
unsigned char TABLEWALKERProtokoll::HoldPaper() { return Simple(MSG_HOLD_PAPER); }
unsigned char TABLEWALKERProtokoll::ReleasePaper() { return Simple(MSG_RELEASE_PAPER); }
unsigned char TABLEWALKERProtokoll::SetDigitizingMode() { return Simple(MSG_DIGITIZING_MODE); }

unsigned char TABLEWALKERProtokoll::OutputDigitizedValues(ReferenceTYPE eRef, unsigned short& rX, unsigned short& rY,
                                                          unsigned short& rValue, ZKoordTYPE& rZ)
{
    MyMemoryBlock b;
    b << static_cast<int>(eRef);
    if (!Command(MSG_DIGITIZED_VALUES, b))
        return 0;
    int v[4] = {};
    for (int& x : v)
        b >> x;
    if (b.Failed())
        return 0;
    rX = static_cast<unsigned short>(v[0]);
    rY = static_cast<unsigned short>(v[1]);
    rValue = static_cast<unsigned short>(v[2]);
    rZ = static_cast<ZKoordTYPE>(v[3]);
    return 1;
}

unsigned char TABLEWALKERProtokoll::ChangeBaudrate(COMBaudrateTYPE e) { return OneInt(MSG_BAUDRATE, e); }
unsigned char TABLEWALKERProtokoll::ChangeHandshake(COMHandshakeTYPE e) { return OneInt(MSG_HANDSHAKE, e); }

namespace {
unsigned char KeyReply(MyMemoryBlock& b, unsigned char& rKey, PressTimeTYPE& rTime)
{
    unsigned char key = 0;
    int t = 0;
    b >> key >> t;
    if (b.Failed())
        return 0;
    rKey = key;
    rTime = static_cast<PressTimeTYPE>(t);
    return 1;
}
} // namespace

unsigned char TABLEWALKERProtokoll::OutputActualKey(unsigned char& rKey, PressTimeTYPE& rTime)
{
    MyMemoryBlock b;
    return Command(MSG_ACTUAL_KEY, b) ? KeyReply(b, rKey, rTime) : 0;
}

unsigned char TABLEWALKERProtokoll::OutputLastKey(unsigned char& rKey, PressTimeTYPE& rTime)
{
    MyMemoryBlock b;
    return Command(MSG_LAST_KEY, b) ? KeyReply(b, rKey, rTime) : 0;
}

unsigned char TABLEWALKERProtokoll::ByteReply(int nMessage, unsigned char& rByte)
{
    MyMemoryBlock b;
    if (!Command(nMessage, b))
        return 0;
    unsigned char v = 0;
    b >> v;
    if (b.Failed())
        return 0;
    rByte = v;
    return 1;
}

unsigned char TABLEWALKERProtokoll::OutputStatus(unsigned char& rStatus) { return ByteReply(MSG_STATUS, rStatus); }

unsigned char TABLEWALKERProtokoll::ClearStatus(unsigned char n) { return OneInt(MSG_CLEAR_STATUS, n); }

unsigned char TABLEWALKERProtokoll::SetSpecialStatus(unsigned char n)
{
    // This one field travels as 2 bytes.
    MyMemoryBlock b;
    b << static_cast<short>(n);
    return Command(MSG_SET_SPECIAL_STATUS, b) ? 1 : 0;
}

unsigned char TABLEWALKERProtokoll::ClearSpecialStatus(unsigned char n) { return OneInt(MSG_CLEAR_SPECIAL_STATUS, n); }

unsigned char TABLEWALKERProtokoll::OutputSpecialStatus(unsigned char& rStatus)
{
    return ByteReply(MSG_SPECIAL_STATUS, rStatus);
}

unsigned char TABLEWALKERProtokoll::GetSpectrumAtPos(unsigned short nX, unsigned short nY, float (&rValues)[36])
{
    MyMemoryBlock b;
    b << static_cast<int>(nX) << static_cast<int>(nY);
    if (!Command(MSG_SPECTRUM_AT_POS, b))
        return 0;
    float tmp[36];
    if (b.Get(tmp, sizeof tmp) != static_cast<long>(sizeof tmp))
        return 0;
    std::memcpy(rValues, tmp, sizeof tmp);
    return 1;
}

unsigned char TABLEWALKERProtokoll::SetTableMode(TableModeTYPE e) { return OneInt(MSG_TABLE_MODE, e); }
unsigned char TABLEWALKERProtokoll::SetLightLevel(LightLevelTYPE e) { return OneInt(MSG_LIGHT_LEVEL, e); }

unsigned char TABLEWALKERProtokoll::SetTransmStandbyPos(ReferenceTYPE eRef, unsigned short nX, unsigned short nY)
{
    MyMemoryBlock b;
    b << static_cast<int>(eRef) << static_cast<int>(nX) << static_cast<int>(nY);
    return Command(MSG_TRANSM_STANDBY, b) ? 1 : 0;
}

unsigned char TABLEWALKERProtokoll::ActualErrorRequest(ScanErrorTYPE& rError)
{
    MyMemoryBlock b;
    if (!Command(MSG_ERROR, b))
        return 0;
    int e = 0;
    b >> e;
    if (b.Failed())
        return 0;
    rError = static_cast<ScanErrorTYPE>(e);
    return 1;
}

unsigned char TABLEWALKERProtokoll::OutputType(char (&rType)[19]) { return RawText(MSG_TYPE, rType, 18); }

unsigned char TABLEWALKERProtokoll::OutputSerialNumber(SerialNumberType& rSerial)
{
    MyMemoryBlock b;
    if (!Command(MSG_SERIAL_NUMBER, b))
        return 0;
    int first = 0, second = 0;
    b >> first >> second;
    if (b.Failed())
        return 0;
    // The first integer of the reply is the second field.
    rSerial.nLow = static_cast<unsigned short>(first);
    rSerial.nHigh = static_cast<unsigned short>(second);
    return 1;
}

unsigned char TABLEWALKERProtokoll::OutputArticleNumber(char (&rArticle)[10])
{
    return RawText(MSG_ARTICLE_NUMBER, rArticle, 8);
}

unsigned char TABLEWALKERProtokoll::OutputProductionDate(DateTYPE& rDate)
{
    MyMemoryBlock b;
    if (!Command(MSG_PRODUCTION_DATE, b))
        return 0;
    int d[3] = {};
    for (int& x : d)
        b >> x;
    if (b.Failed())
        return 0;
    rDate.nDay = static_cast<unsigned short>(d[0]);
    rDate.nMonth = static_cast<unsigned short>(d[1]);
    rDate.nYear = static_cast<unsigned short>(d[2]);
    return 1;
}

unsigned char TABLEWALKERProtokoll::OutputSoftwareVersion(char (&rVersion)[13])
{
    return RawText(MSG_SOFTWARE_VERSION, rVersion, 12);
}
