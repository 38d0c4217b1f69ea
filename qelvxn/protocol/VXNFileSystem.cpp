// The instrument's file store as VXNProtokoll reaches it (messages 108 to
// 126): current drive and directory, directory entries, and files of 8.3
// names read and written in 512-byte blocks.
//
// Every reply carries, after the status, a result byte of the instrument's
// own; an operation returns that byte (so a successful exchange may still
// answer 0) and fills its out-parameters only after a zero status. Paths
// travel as their characters without terminator; names always as all 13
// bytes of the caller's array, whatever follows the terminator.
#include "qelvxn/protocol/VXNProtokoll.hpp"

#include "qelvxn/protocol/ReplyStatus.hpp"

#include <cstdint>
#include <cstring>

namespace {

enum : int {
    MSG_FILE_ACT_DRIVE = 108,
    MSG_FILE_CHANGE_DRIVE = 109,
    MSG_FILE_ACT_DIR = 112,
    MSG_FILE_CHANGE_DIR = 113,
    MSG_FILE_DOS_STATUS = 119,
    MSG_FILE_ENTRY_COUNT = 120,
    MSG_FILE_DOS_ENTRY = 121,
    MSG_FILE_CREATE = 122,
    MSG_FILE_ACCESS_START = 123,
    MSG_FILE_ACCESS_END = 124,
    MSG_FILE_WRITE = 125,
    MSG_FILE_READ = 126,
};

void PutName13(MyMemoryBlock& rBlock, const char (&rName)[13])
{
    for (char c : rName)
        rBlock << c;
}

// Path text without terminator: the characters up to the first 0, at most 128.
void PutPath(MyMemoryBlock& rBlock, const char (&rPath)[129])
{
    for (size_t i = 0; i < 128 && rPath[i] != '\0'; ++i)
        rBlock << rPath[i];
}

// Characters until a 0 has been stored or 128 have been stored. Only what the
// reply holds is stored; a reply that ends early fails the operation.
bool GetPath(MyMemoryBlock& rBlock, char (&rOut)[129])
{
    char tmp[128];
    size_t n = 0;
    while (n < 128) {
        char c = 0;
        rBlock >> c;
        if (rBlock.Failed())
            return false;
        tmp[n++] = c;
        if (c == '\0')
            break;
    }
    std::memcpy(rOut, tmp, n);
    return true;
}

} // namespace

unsigned char VXNProtokoll::FileCommand(int nMessage, MyMemoryBlock& rBlock, unsigned char& rResult)
{
    if (!Exchange(nMessage, rBlock) || !ReplyStatusOk(rBlock))
        return 0;
    unsigned char r = 0;
    rBlock >> r;
    if (rBlock.Failed())
        return 0;
    rResult = r;
    return 1;
}

unsigned char VXNProtokoll::FileActDriveRequest(char (&rDrive)[129])
{
    MyMemoryBlock b;
    unsigned char r = 0;
    if (!FileCommand(MSG_FILE_ACT_DRIVE, b, r) || !GetPath(b, rDrive))
        return 0;
    return r;
}

unsigned char VXNProtokoll::FileChangeDrive(const char (&rDrive)[129])
{
    MyMemoryBlock b;
    PutPath(b, rDrive);
    unsigned char r = 0;
    return FileCommand(MSG_FILE_CHANGE_DRIVE, b, r) ? r : 0;
}

unsigned char VXNProtokoll::FileActDirRequest(char (&rDir)[129])
{
    MyMemoryBlock b;
    unsigned char r = 0;
    if (!FileCommand(MSG_FILE_ACT_DIR, b, r) || !GetPath(b, rDir))
        return 0;
    return r;
}

unsigned char VXNProtokoll::FileChangeDir(const char (&rDir)[129])
{
    MyMemoryBlock b;
    PutPath(b, rDir);
    unsigned char r = 0;
    return FileCommand(MSG_FILE_CHANGE_DIR, b, r) ? r : 0;
}

unsigned char VXNProtokoll::FileDOSStatusRequest(const char (&rName)[13], unsigned long& rSize,
                                                 unsigned char (&rStatus4)[4], unsigned char (&rStatus3)[3],
                                                 unsigned char& rLast)
{
    MyMemoryBlock b;
    PutName13(b, rName);
    b << static_cast<long>(rSize);
    unsigned char r = 0;
    if (!FileCommand(MSG_FILE_DOS_STATUS, b, r))
        return 0;
    long size = 0;
    unsigned char s4[4], s3[3], last = 0;
    b >> size;
    for (auto& c : s4)
        b >> c;
    for (auto& c : s3)
        b >> c;
    b >> last;
    if (b.Failed())
        return 0;
    rSize = static_cast<unsigned long>(static_cast<uint32_t>(size));
    std::memcpy(rStatus4, s4, 4);
    std::memcpy(rStatus3, s3, 3);
    rLast = last;
    return r;
}

unsigned char VXNProtokoll::FileEntryCount(unsigned short& rCount)
{
    MyMemoryBlock b;
    b << rCount;
    unsigned char r = 0;
    if (!FileCommand(MSG_FILE_ENTRY_COUNT, b, r))
        return 0;
    unsigned short n = 0;
    b >> n;
    if (b.Failed())
        return 0;
    rCount = n;
    return r;
}

unsigned char VXNProtokoll::FileDOSEntryRequest(const unsigned short& rIndex, char (&rName)[13], FileTypeType& rType)
{
    MyMemoryBlock b;
    b << rIndex;
    unsigned char r = 0;
    if (!FileCommand(MSG_FILE_DOS_ENTRY, b, r))
        return 0;
    char name[13];
    int type = 0;
    for (char& c : name)
        b >> c;
    b >> type;
    if (b.Failed())
        return 0;
    std::memcpy(rName, name, 13);
    rType = static_cast<FileTypeType>(type);
    return r;
}

unsigned char VXNProtokoll::FileCreateDOSFile(const char (&rName)[13], FileWriteType eWrite, unsigned long nSize)
{
    MyMemoryBlock b;
    PutName13(b, rName);
    b << static_cast<int>(eWrite) << static_cast<int>(nSize);
    unsigned char r = 0;
    return FileCommand(MSG_FILE_CREATE, b, r) ? r : 0;
}

unsigned char VXNProtokoll::FileDOSAccessStart(const char (&rName)[13], FileAccessType eAccess)
{
    MyMemoryBlock b;
    PutName13(b, rName);
    b << static_cast<int>(eAccess);
    unsigned char r = 0;
    return FileCommand(MSG_FILE_ACCESS_START, b, r) ? r : 0;
}

unsigned char VXNProtokoll::FileDOSAccessEnd(const char (&rName)[13])
{
    MyMemoryBlock b;
    PutName13(b, rName);
    unsigned char r = 0;
    return FileCommand(MSG_FILE_ACCESS_END, b, r) ? r : 0;
}

unsigned char VXNProtokoll::FileWriteToDOSFile(const char (&rName)[13], unsigned long nBlock,
                                               const unsigned char* const pData)
{
    MyMemoryBlock b;
    PutName13(b, rName);
    b << static_cast<long>(nBlock);
    for (int i = 0; i < 512; ++i)
        b << pData[i];
    unsigned char r = 0;
    return FileCommand(MSG_FILE_WRITE, b, r) ? r : 0;
}

unsigned char VXNProtokoll::FileReadFromDOSFile(const char (&rName)[13], unsigned long nBlock,
                                                unsigned char (&rData)[512], unsigned char& rLast)
{
    MyMemoryBlock b;
    PutName13(b, rName);
    b << static_cast<long>(nBlock);
    for (unsigned char c : rData)
        b << c;
    unsigned char r = 0;
    if (!FileCommand(MSG_FILE_READ, b, r))
        return 0;
    unsigned char data[512], last = 0;
    b.Get(data, 512);
    b >> last;
    if (b.Failed())
        return 0;
    std::memcpy(rData, data, 512);
    rLast = last;
    return r;
}

unsigned char VXNProtokoll::FileRenameDir(const char (&)[129], const char (&)[129])
{
    return 0;
}
