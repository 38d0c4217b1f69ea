// The instrument's user guides and memory: how many guides there are, their
// names, dates and sizes, which one is selected, deleting one, making room
// for a new one and sending a guide file block by block; and the sizes of the
// instrument's memory.
//
// A guide is reached by selecting it (library value 120) and then asking or
// changing "the selected guide". Those two steps must not be interleaved with
// another program's, so every select-then-act sequence runs under the
// instrument lock; the lock is released on every path once it was taken, and
// a lock that failed is never released. Instruments before software version
// 355 know no guide dates, sizes or memory queries: the library answers those
// itself, without a command.
#include "qelvxn/library/VXNLib.hpp"

#include "qel/WaitVisualizer.hpp"
#include "qelvxn/library/LibraryTexts.hpp"
#include "sv/Application.hpp"
#include "sv/Sound.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr unsigned int SW_GUIDE_QUERIES = 355;
constexpr unsigned int SW_FIXED_GUIDE_COUNT_FIRST = 350;
constexpr short FIXED_GUIDE_COUNT = 2;
constexpr int GUIDE_BLOCK = 512;

// Selects the guide under the lock and runs the request when the selection
// worked; the result is 1 only when both did.
template <class Request>
unsigned char LockedGuideRequest(VXNLib& rLib, unsigned long nGuide, Request aRequest)
{
    if (!rLib.LockVXN())
        return 0;
    unsigned char nResult = rLib.SetValNr(LIBVALUE_GUIDE, static_cast<short>(nGuide)) && aRequest() ? 1 : 0;
    rLib.UnlockVXN();
    return nResult;
}

// The length of the whole file behind the handle, whatever its position;
// -1 when it cannot be told.
long FileLength(int nFile)
{
    struct stat aStat {};
    if (fstat(nFile, &aStat) != 0)
        return -1;
    return static_cast<long>(aStat.st_size);
}

// Reads up to n bytes into the buffer. How many arrived is not looked at: the
// block header carries the count the file length promised, and the buffer's
// remaining bytes stay as they were.
void ReadInto(int nFile, unsigned char* pBuffer, int n)
{
    int nDone = 0;
    while (nDone < n) {
        ssize_t nGot = ::read(nFile, pBuffer + nDone, static_cast<size_t>(n - nDone));
        if (nGot <= 0)
            break;
        nDone += static_cast<int>(nGot);
    }
}

} // namespace

unsigned char VXNLib::GetAnzahlGuides(short& rCount)
{
    unsigned int nSW = GetSWVersion();
    if (nSW >= SW_FIXED_GUIDE_COUNT_FIRST && nSW < SW_GUIDE_QUERIES) {
        rCount = FIXED_GUIDE_COUNT;
        return 1;
    }
    return GetValNr(LIBVALUE_GUIDE_COUNT, rCount);
}

unsigned char VXNLib::GetAnzahlROMGuides(short& rCount)
{
    if (GetSWVersion() < SW_GUIDE_QUERIES) {
        rCount = FIXED_GUIDE_COUNT;
        return 1;
    }
    return GetValNr(VALUE_ROM_GUIDES, rCount);
}

unsigned char VXNLib::GetGuideName(String& rName, unsigned long nGuide)
{
    const bool bLongNames = GetSWVersion() >= SW_GUIDE_QUERIES;
    // Room for 18 characters and the terminator, plus one zero so that a
    // name without terminator still ends.
    char aRaw[20] = {};
    unsigned char nResult = LockedGuideRequest(*this, nGuide, [&] {
        return bLongNames ? Name18Request(LIBVALUE_GUIDE, aRaw) : StdNameRequest(LIBVALUE_GUIDE, aRaw);
    });
    if (nResult)
        rName = String(aRaw);
    return nResult;
}

unsigned char VXNLib::SetGuideName(String aName, unsigned long nGuide)
{
    aName.Expand(16, ' ').Cut(16);
    char aRaw[17] = {};
    std::memcpy(aRaw, aName.GetStr(), 16);
    return LockedGuideRequest(*this, nGuide, [&] { return StdNameDownload(VALUE_GUIDE, aRaw); });
}

unsigned char VXNLib::GetGuideDate(int nGuide, short* const pTime)
{
    if (GetSWVersion() < SW_GUIDE_QUERIES) {
        // Guides of older instruments all carry the date of their firmware.
        const short aFixed[7] = {0, 0, 0, 0, 12, 12, 1993};
        std::memcpy(pTime, aFixed, sizeof aFixed);
        return 1;
    }
    return LockedGuideRequest(*this, static_cast<unsigned long>(nGuide),
                              [&] { return TimeRequest(VALUE_GUIDE, pTime); });
}

unsigned char VXNLib::GetGuideSize(int nGuide, float& rSize)
{
    if (GetSWVersion() < SW_GUIDE_QUERIES) {
        rSize = 0.0f;
        return 1;
    }
    unsigned char nFlag = 0;
    return LockedGuideRequest(*this, static_cast<unsigned long>(nGuide),
                              [&] { return IndexValueRequest(VALUE_GUIDE, INDEX_SIZE, rSize, nFlag); });
}

unsigned char VXNLib::GetSelectedGuide(short& rGuide)
{
    return GetValNr(LIBVALUE_GUIDE, rGuide);
}

unsigned char VXNLib::SetSelectedGuide(short nGuide)
{
    return SetValNr(LIBVALUE_GUIDE, nGuide);
}

unsigned char VXNLib::DeleteGuide(short nGuide)
{
    return LockedGuideRequest(*this, static_cast<unsigned long>(nGuide), [&] { return DelValNr(LIBVALUE_GUIDE); });
}

unsigned char VXNLib::NewGuide(short nGuide, short* const pHeader, unsigned char* const pBuffer, short& rShort,
                               unsigned short& rUShort)
{
    return NewUserGuideRequest(nGuide, pHeader, pBuffer, rShort, rUShort);
}

unsigned char VXNLib::GuideDownload(Window* pParent, short nGuide, int nFile)
{
    const long nLength = FileLength(nFile);
    if (nLength < 0)
        return 0;
    const long nBlocks = nLength / GUIDE_BLOCK;
    const short nRest = static_cast<short>(nLength % GUIDE_BLOCK);

    WaitVisualizer aWait(pParent, vxntext::Get(vxntext::GUIDE_PROGRESS_TITLE),
                         vxntext::Get(vxntext::GUIDE_PROGRESS_TEXT), true, true);
    const double fStep = 1.0 / static_cast<double>(nBlocks + 1);

    if (!LockVXN())
        return 0;

    unsigned char aBlock[GUIDE_BLOCK] = {};
    unsigned short nStatus = 0;
    unsigned char bOk = 1;
    long k = 0;
    // Each step checks the abort button before it sends, so an abort costs
    // at most the block already under way.
    while (!aWait.Aborted() && k < nBlocks && nStatus == 0 && bOk) {
        aWait.Display(static_cast<double>(k + 1) * fStep);
        Application::Reschedule();
        ReadInto(nFile, aBlock, GUIDE_BLOCK);
        Application::Reschedule();
        const short aHeader[2] = {static_cast<short>(k), GUIDE_BLOCK};
        bOk = UserGuideDownload(nGuide, aHeader, aBlock, nStatus);
        Application::Reschedule();
        ++k;
    }
    // The closing block tells the instrument the guide is complete; it goes
    // even when it carries no bytes.
    if (!aWait.Aborted() && nStatus == 0 && bOk) {
        aWait.Display(static_cast<double>(k + 1) * fStep);
        ReadInto(nFile, aBlock, nRest);
        const short aHeader[2] = {static_cast<short>(k), nRest};
        bOk = UserGuideDownload(nGuide, aHeader, aBlock, nStatus);
        if (!aWait.Aborted() && nStatus == 0 && bOk)
            Sound::Beep(0);
    }
    UnlockVXN();
    return !aWait.Aborted() && nStatus == 0 && bOk ? 1 : 0;
}

unsigned char VXNLib::GetFreeMemorySize(float& rSize)
{
    if (GetSWVersion() < SW_GUIDE_QUERIES) {
        rSize = 0.0f;
        return 1;
    }
    unsigned char nFlag = 0;
    return IndexValueRequest(VALUE_FREE_MEMORY, INDEX_SIZE, rSize, nFlag);
}

unsigned char VXNLib::GetTotalRAMSize(float& rSize)
{
    if (GetSWVersion() < SW_GUIDE_QUERIES) {
        rSize = 0.0f;
        return 1;
    }
    if (!LockVXN())
        return 0;
    float fFree = 0.0f, fUsed = 0.0f;
    unsigned char nFlag = 0;
    unsigned char nResult = IndexValueRequest(VALUE_FREE_MEMORY, INDEX_SIZE, fFree, nFlag) &&
                                    IndexValueRequest(VALUE_TOTAL_RAM, INDEX_SIZE, fUsed, nFlag)
                                ? 1
                                : 0;
    UnlockVXN();
    if (nResult)
        rSize = fFree + fUsed;
    return nResult;
}

unsigned char VXNLib::GetMemorySizeOfRefAndSpl(float& rSize)
{
    if (GetSWVersion() < SW_GUIDE_QUERIES) {
        rSize = 0.0f;
        return 1;
    }
    unsigned char nFlag = 0;
    return IndexValueRequest(VALUE_REF_AND_SAMPLE_MEMORY, INDEX_SIZE, rSize, nFlag);
}

unsigned char VXNLib::GetSerialNumberOfDevice(long&)
{
    return 0;
}
