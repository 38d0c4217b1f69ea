#include "qeldb/objectId.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/MyPrinter.hpp"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <random>
#include <unistd.h>

namespace {

constexpr unsigned short BLOCK_VERSION = 1;

bool ValidDate(long nDate)
{
    long y = nDate / 10000, m = nDate / 100 % 100, d = nDate % 100;
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

bool ValidTime(long nTime)
{
    return nTime >= 0 && nTime / 10000 < 24 && nTime / 100 % 100 < 60 && nTime % 100 < 60;
}

} // namespace

objectId::objectId()
{
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    mnDate = (t.tm_year + 1900L) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
    mnTime = t.tm_hour * 10000L + t.tm_min * 100 + (t.tm_sec > 59 ? 59 : t.tm_sec);
}

std::string objectId::NewUid()
{
    // Seeded from the system's entropy, again in a forked child: copies made
    // on many stations and in many processes must never meet.
    static std::mutex lock;
    static std::mt19937_64 gen;
    static pid_t seededFor = 0;
    std::lock_guard<std::mutex> hold(lock);
    if (seededFor != ::getpid()) {
        std::random_device rd;
        std::seed_seq seq{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
        gen.seed(seq);
        seededFor = ::getpid();
    }
    char buf[33];
    std::snprintf(buf, sizeof buf, "%016llx%016llx", static_cast<unsigned long long>(gen()),
                  static_cast<unsigned long long>(gen()));
    return buf;
}

void objectId::SetBezeichnung(const String& r)
{
    std::string s = r.str();
    if (s.size() > MAX_DESIGNATION) {
        size_t n = MAX_DESIGNATION;
        while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
            --n;
        s.resize(n);
    }
    maBezeichnung = String(std::move(s));
}

bool objectId::SetDateTime(long nDate, long nTime)
{
    if (!ValidDate(nDate) || !ValidTime(nTime))
        return false;
    mnDate = nDate;
    mnTime = nTime;
    return true;
}

String objectId::GetDateTimeText() const
{
    char buf[128];
    std::snprintf(buf, sizeof buf, "%04ld-%02ld-%02ld %02ld:%02ld:%02ld", mnDate / 10000, mnDate / 100 % 100,
                  mnDate % 100, mnTime / 10000, mnTime / 100 % 100, mnTime % 100);
    return String(buf);
}

bool objectId::ParseDateTime(const String& rText, long& rDate, long& rTime)
{
    const std::string& s = rText.str();
    // Exactly "YYYY-MM-DD HH:MM:SS".
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    if (s.size() != sizeof shape - 1)
        return false;
    long digits[14];
    int n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (shape[i] == 'd') {
            if (s[i] < '0' || s[i] > '9')
                return false;
            digits[n++] = s[i] - '0';
        } else if (s[i] != shape[i]) {
            return false;
        }
    }
    auto num = [&](int from, int count) {
        long v = 0;
        for (int i = from; i < from + count; ++i)
            v = v * 10 + digits[i];
        return v;
    };
    long date = num(0, 8), time = num(8, 6);
    if (!ValidDate(date) || !ValidTime(time))
        return false;
    rDate = date;
    rTime = time;
    return true;
}

int objectId::GetStructure(int nMember, MemberVarSTRUCT& r)
{
    switch (nMember) {
    case 0: r.nTypeCode = PT_TYPE_LONG; r.nSize = sizeof mnId; r.nOffset = OffsetOf(&mnId); return 1;
    case 1: r.nTypeCode = PT_TYPE_STRING; r.nSize = sizeof maBezeichnung; r.nOffset = OffsetOf(&maBezeichnung); return 1;
    case 2: r.nTypeCode = PT_TYPE_LONG; r.nSize = sizeof mnDate; r.nOffset = OffsetOf(&mnDate); return 1;
    case 3: r.nTypeCode = PT_TYPE_LONG; r.nSize = sizeof mnTime; r.nOffset = OffsetOf(&mnTime); return 1;
    case 4: r.nTypeCode = PT_TYPE_UCHAR; r.nSize = sizeof mbDeleted; r.nOffset = OffsetOf(&mbDeleted); return 1;
    default: return 0;
    }
}

unsigned char objectId::CheckData()
{
    return ValidDate(mnDate) && ValidTime(mnTime) ? 1 : 0;
}

long objectId::GetSize()
{
    MyMemoryBlock b;
    GetIndexBlock(b);
    return b.GetSize();
}

void objectId::CopyThisTo(PtObject* pTarget)
{
    if (auto* p = dynamic_cast<objectId*>(pTarget))
        p->objectId::operator=(*this);
}

String objectId::GetZusatzInfo()
{
    return GetDateTimeText();
}

unsigned char objectId::read(ASCIIFile& rFile)
{
    String name, created;
    long date = 0, time = 0;
    if (!rFile.GetString(String("Name"), name) || !rFile.GetString(String("Created"), created, 1) ||
        !ParseDateTime(created, date, time))
        return 0;
    SetBezeichnung(name);
    mnDate = date;
    mnTime = time;
    return 1;
}

void objectId::write(ASCIIFile& rFile)
{
    rFile.PutString(String("Name"), maBezeichnung);
    rFile.PutString(String("Created"), GetDateTimeText());
}

void objectId::Print(MyPrinter& rPrinter, long)
{
    rPrinter.WriteString(maBezeichnung, 0);
    rPrinter.WriteString(GetDateTimeText(), 700);
    rPrinter.WriteLn(1);
}

unsigned char objectId::GetIndexBlock(MyMemoryBlock& rBlock)
{
    rBlock << BLOCK_VERSION << maBezeichnung << mnDate << mnTime;
    return 1;
}

unsigned char objectId::SetIndexBlock(MyMemoryBlock& rBlock)
{
    unsigned short version = 0;
    String name;
    long date = 0, time = 0;
    rBlock >> version >> name >> date >> time;
    if (rBlock.Failed() || version != BLOCK_VERSION || !ValidDate(date) || !ValidTime(time))
        return 0;
    maBezeichnung = name;
    mnDate = date;
    mnTime = time;
    return 1;
}
