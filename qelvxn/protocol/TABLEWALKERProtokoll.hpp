// TABLEWALKERProtokoll: one operation per command of the TableWalker scanning
// table, which carries the instrument over a sheet, lowers it onto a
// position, measures there and reports keys and status. Like the instrument's
// command set it keeps no state: every operation is one exchange.
//
// Results: 1 on success, 0 when the exchange failed or the table refused the
// command; out-parameters are written only on success. The six identity
// queries travel as messages 75 (error) to 80 (software version).
#pragma once

#include "qelvxn/protocol/TableTypes.hpp"

class MyMemoryBlock;

class TABLEWALKERProtokoll {
public:
    unsigned char MoveAbsolut(ReferenceTYPE eRef, unsigned short nX, unsigned short nY);
    unsigned char MoveRelative(short nDX, short nDY);
    unsigned char MoveHome();
    unsigned char MoveUp();
    unsigned char MoveDown();
    unsigned char MoveToWhiteRefPos(short nPos);
    unsigned char OutputActualPosition(ReferenceTYPE eRef, unsigned short& rX, unsigned short& rY, ZKoordTYPE& rZ);
    unsigned char InitializeDevice();
    unsigned char ScanChromalette();
    unsigned char SetDeviceOnline();
    unsigned char SetDeviceOffline();
    unsigned char HoldPaper();
    unsigned char ReleasePaper();
    unsigned char SetDigitizingMode();
    unsigned char OutputDigitizedValues(ReferenceTYPE eRef, unsigned short& rX, unsigned short& rY,
                                        unsigned short& rValue, ZKoordTYPE& rZ);
    unsigned char ChangeBaudrate(COMBaudrateTYPE eBaud);
    unsigned char ChangeHandshake(COMHandshakeTYPE eHandshake);
    unsigned char OutputActualKey(unsigned char& rKey, PressTimeTYPE& rTime);
    unsigned char OutputLastKey(unsigned char& rKey, PressTimeTYPE& rTime);
    unsigned char OutputStatus(unsigned char& rStatus);
    unsigned char ClearStatus(unsigned char nStatus);
    unsigned char SetSpecialStatus(unsigned char nStatus);
    unsigned char ClearSpecialStatus(unsigned char nStatus);
    unsigned char OutputSpecialStatus(unsigned char& rStatus);
    unsigned char GetSpectrumAtPos(unsigned short nX, unsigned short nY, float (&rValues)[36]);
    unsigned char SetTableMode(TableModeTYPE eMode);
    unsigned char SetLightLevel(LightLevelTYPE eLevel);
    unsigned char SetTransmStandbyPos(ReferenceTYPE eRef, unsigned short nX, unsigned short nY);

    unsigned char ActualErrorRequest(ScanErrorTYPE& rError);
    unsigned char OutputType(char (&rType)[19]);
    unsigned char OutputSerialNumber(SerialNumberType& rSerial);
    unsigned char OutputArticleNumber(char (&rArticle)[10]);
    unsigned char OutputProductionDate(DateTYPE& rDate);
    unsigned char OutputSoftwareVersion(char (&rVersion)[13]);

private:
    // One exchange; true when it worked and the table's status was 0.
    bool Command(int nMessage, MyMemoryBlock& rBlock);
    unsigned char Simple(int nMessage);
    unsigned char OneInt(int nMessage, int nValue);
    unsigned char RawText(int nMessage, char* pOut, long nBytes);
    unsigned char ByteReply(int nMessage, unsigned char& rByte);
};
