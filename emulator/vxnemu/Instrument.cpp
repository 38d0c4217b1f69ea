#include "vxnemu/Instrument.hpp"

#include "vxnemu/MeasValueText.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <random>
#include <sstream>

namespace vxnemu {

namespace {
constexpr uint8_t OK = STATUS_DONE, REFUSED = STATUS_REFUSED, MALFORMED = STATUS_MALFORMED;

constexpr size_t REFERENCE_BYTES = 160;
constexpr int REFERENCE_SLOTS = 100;
constexpr size_t GUIDE_BLOCK = 512;
constexpr int ROM_GUIDES = 2;

// Realistic durations (ms).
constexpr int T_MEASURE = 300, T_WHITE = 500, T_MOVE = 200, T_HEAD = 100;

std::array<int, 7> Now()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {0, tm.tm_sec, tm.tm_min, tm.tm_hour, tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100};
}

// A text field received raw: up to the first zero.
std::string FromRaw(const uint8_t* p, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n && p[i]; ++i)
        s.push_back(static_cast<char>(p[i]));
    return s;
}

// The name as the instrument shows it: n characters, blank-padded.
std::string Padded(const std::string& s, size_t n)
{
    std::string r = s.substr(0, n);
    r.resize(n, ' ');
    return r;
}

bool ParseInt(const std::string& s, long lo, long hi, long& rOut)
{
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end || errno || v < lo || v > hi)
        return false;
    rOut = v;
    return true;
}

bool IsTableMessage(uint16_t m)
{
    return (m >= 51 && m <= 67) || (m >= 70 && m <= 80) || (m >= 84 && m <= 87) || m == 68 || m == 69;
}
} // namespace

Instrument::Instrument(const Profile& rProfile, const Chart& rChart) : mrChart(rChart)
{
    Reset(rProfile);
}

void Instrument::Reset(const Profile& rProfile)
{
    maProfile = rProfile;
    mnSwVersion = rProfile.swVersion;
    mnMeasureControl = rProfile.measureControl;
    mnDStd = 2;
    mnWBase = 1;
    mnIllum = 2;
    mnObserver = 0;
    mnFilter = rProfile.startFilter;
    maDxx.fill(65);
    mnSample = Chart::WHITE_PATCH;
    maLast = {};
    mbMeasured = false;
    maLastTime = {};
    mnMeasurements = mnWhiteMeasurements = 0;
    mbNewAtUnit = false;
    maWhite.fill(mrChart.WhiteTile());
    maWhiteAge.fill(0);
    maCalibrated.clear();
    mfDrift = 0.0;
    maControls.clear();
    maControlDownloads.clear();
    maRefs.clear();
    mnSelectedRef = 0;
    maValNr.clear();
    maGuides.clear();
    const char* romNames[ROM_GUIDES] = {"ROM STANDARD", "ROM PRINT"};
    for (int i = 0; i < ROM_GUIDES; ++i) {
        Guide g;
        g.name = romNames[i];
        g.rom = true;
        g.data.assign(2048, static_cast<uint8_t>(i));
        g.time = {0, 0, 0, 0, 12, 12, 93};
        maGuides.push_back(g);
    }
    Guide user;
    user.name = "USER GUIDE";
    user.data.assign(1000, 0x55);
    user.time = {0, 30, 15, 10, 1, 6, 98};
    maGuides.push_back(user);
    mnSelectedGuide = 0;
    mbLocked = false;
    mbKeyReporting = false;
    mnLastKey = 0;
    mnLastPress = 0;
    mbActualKey = false;
    mpTable = rProfile.table ? std::make_unique<TableWalker>(mrChart, rProfile.chart) : nullptr;
    maFiles.Reset();
    maOutbox.clear();
}

Spectrum36 Instrument::SampleUnderHead() const
{
    if (mpTable && mpTable->HeadDown())
        return mpTable->SpectrumUnderHead();
    return mrChart.Patch(mnSample);
}

void Instrument::Measure()
{
    maLast = SampleUnderHead();
    // Against paper white (white base 0) an instrument gives the sample
    // relative to the white of the paper it is printed on; the sheet's paper
    // is the chart's white patch.
    if (mnWBase == 0) {
        const Spectrum36& paper = mrChart.WhiteTile();
        for (size_t i = 0; i < maLast.size(); ++i)
            if (paper[i] > 0.01f)
                maLast[i] /= paper[i];
    }
    if (mfNoise > 0.0) {
        std::minstd_rand gen(static_cast<unsigned>(mnMeasurements + 1));
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        for (float& v : maLast)
            v = static_cast<float>(std::max(0.0, v * (1.0 + mfNoise * u(gen))));
    }
    mbMeasured = true;
    maLastTime = Now();
    ++mnMeasurements;
    for (long& age : maWhiteAge)
        ++age;
}

void Instrument::PressKey(uint8_t nKey, int nPressMs)
{
    mnLastKey = nKey;
    mnLastPress = nPressMs;
    mbActualKey = true;
    if (mpTable)
        mpTable->KeyPressed(nKey);
    if (mbKeyReporting) {
        PayloadWriter w;
        w.Byte(nKey).Int(nPressMs);
        maOutbox.push_back({MSG_KEY, std::move(w.Data())});
    }
}

Instrument::Reference* Instrument::RefSlot(int nValueType, bool bCreate)
{
    int slot;
    if (nValueType >= 0 && nValueType <= 8)
        slot = nValueType;
    else if (nValueType == 64 && mnSelectedRef >= 1)
        slot = mnSelectedRef - 1;
    else
        return nullptr;
    auto it = maRefs.find(slot);
    if (it != maRefs.end())
        return &it->second;
    if (!bCreate)
        return nullptr;
    if (MemoryFree() < REFERENCE_BYTES)
        return nullptr;
    return &maRefs[slot];
}

size_t Instrument::MemoryUsed() const
{
    size_t n = maRefs.size() * REFERENCE_BYTES + maFiles.StoredBytes();
    for (const Guide& g : maGuides)
        if (!g.rom)
            n += g.data.size();
    return n;
}

size_t Instrument::MemoryFree() const
{
    size_t used = MemoryUsed();
    return used >= MEMORY_TOTAL ? 0 : MEMORY_TOTAL - used;
}

bool Instrument::SetChartLayout(const ChartLayout& rLayout)
{
    if (!mpTable || !TableWalker::Fits(rLayout))
        return false;
    mpTable->SetLayout(rLayout);
    return true;
}

int Instrument::RealisticDelay(uint16_t m) const
{
    if (!mbRealistic)
        return 0;
    switch (m) {
    case 28:
    case 30:
        return T_MEASURE;
    case 29:
        return T_WHITE;
    case 51:
    case 52:
    case 53:
    case 56:
        return T_MOVE;
    case 54:
    case 55:
        return T_HEAD;
    case 84:
        return T_MOVE + T_HEAD + T_MEASURE;
    default:
        return 0;
    }
}

Reply Instrument::Handle(uint16_t nMessage, const std::vector<uint8_t>& rPayload)
{
    Reply r;
    if (auto d = maDelay.find(nMessage); d != maDelay.end())
        r.delayMs = d->second;
    if (auto it = maRefuse.find(nMessage); it != maRefuse.end()) {
        r.payload = {static_cast<uint8_t>(it->second)};
        maRefuse.erase(it);
        return r;
    }
    // A dropped request is lost on its way: the instrument never sees it.
    // A cut one is lost with the link: the cable goes while it travels.
    bool bCut = maCut.erase(nMessage) > 0;
    if (bCut)
        mbDisconnect = true;
    if (bCut || maDrop.erase(nMessage)) {
        r.fate = Reply::Fate::Drop;
        return r;
    }
    // A corrupted reply was carried out; only its bytes are damaged.
    if (maCorrupt.erase(nMessage))
        r.fate = Reply::Fate::Corrupt;

    PayloadReader in(rPayload);
    PayloadWriter out;
    uint8_t status = Dispatch(nMessage, in, out);
    r.payload.push_back(status);
    if (status == OK)
        r.payload.insert(r.payload.end(), out.Data().begin(), out.Data().end());
    if (status == OK)
        r.delayMs += RealisticDelay(nMessage);
    return r;
}

uint8_t Instrument::Dispatch(uint16_t m, PayloadReader& in, PayloadWriter& out)
{
    if (m >= 108 && m <= 126)
        return maFiles.Handle(m, in, out);
    if (IsTableMessage(m)) {
        if (!mpTable)
            return REFUSED;
        switch (m) {
        case 68:
        case 69:
            if (!in.Complete())
                return MALFORMED;
            if (m == 68 && !mbActualKey) {
                out.Byte(0).Int(0);
            } else {
                out.Byte(mnLastKey).Int(mnLastPress);
            }
            if (m == 68)
                mbActualKey = false;
            return OK;
        case 84: { // GetSpectrumAtPos(x, y): measure that point of the table
            int x = in.Int(), y = in.Int();
            if (!in.Complete())
                return MALFORMED;
            if (!mpTable->MoveTo(0, x, y))
                return REFUSED;
            mpTable->Lower();
            Measure();
            out.Floats(maLast.data(), maLast.size());
            return OK;
        }
        default:
            return mpTable->Handle(m, in, out);
        }
    }
    switch (m) {
    case 0:
        return REFUSED;
    case 2:
    case 3:
    case 82:
    case 83:
        if (!in.Complete())
            return MALFORMED;
        if (m == 2 || m == 3)
            mbLocked = m == 2;
        else
            mbKeyReporting = m == 82;
        return OK;
    case 8:
        if (!in.Complete())
            return MALFORMED;
        out.Int(mnSwVersion);
        return OK;
    case 9:
        if (!in.Complete())
            return MALFORMED;
        out.Int(static_cast<int32_t>(maProfile.serialNumber));
        return OK;
    case 13:
        if (!in.Complete())
            return MALFORMED;
        out.Int(static_cast<int32_t>(maProfile.deviceType));
        return OK;
    case 14:
        if (!in.Complete())
            return MALFORMED;
        out.Text(maProfile.deviceName);
        return OK;
    case 26:
        if (!in.Complete())
            return MALFORMED;
        out.Int(mnDStd).Int(mnWBase).Int(mnIllum).Int(mnObserver).Int(mnFilter);
        return OK;
    case 27: {
        int dstd = in.Int(), wbase = in.Int(), illum = in.Int(), obs = in.Int();
        if (!in.Complete())
            return MALFORMED;
        bool illumOk = illum >= 0 && illum <= 35 && !(illum >= 12 && illum <= 15) &&
                       (maProfile.altTables || illum < 4 || illum > 7);
        if (dstd < 0 || dstd > 3 || wbase < 0 || wbase > 1 || !illumOk || obs < 0 || obs > 1)
            return REFUSED;
        mnDStd = dstd;
        mnWBase = wbase;
        mnIllum = illum;
        mnObserver = obs;
        return OK;
    }
    case 28:
        if (!in.Complete())
            return MALFORMED;
        Measure();
        return OK;
    case 29:
        if (!in.Complete())
            return MALFORMED;
        maWhite[static_cast<size_t>(mnFilter)] = SampleUnderHead();
        maWhiteAge[static_cast<size_t>(mnFilter)] = 0;
        maCalibrated.insert(mnFilter);
        ++mnWhiteMeasurements;
        return OK;
    case 30: { // ExecRefMeasurement(value type, mode)
        int vt = in.Int();
        in.Int();
        if (!in.Complete())
            return MALFORMED;
        Reference* ref = RefSlot(vt, true);
        if (!ref)
            return REFUSED;
        Measure();
        ref->hasSpectrum = true;
        ref->spectrum = maLast;
        ref->time = maLastTime;
        return OK;
    }
    case 31: {
        if (!in.Complete())
            return MALFORMED;
        for (int f = 1; f <= 3; ++f) {
            double k = 1.0 - mfDrift * static_cast<double>(maWhiteAge[static_cast<size_t>(f)]);
            k = std::clamp(k, 0.0, 2.0);
            for (float v : maWhite[static_cast<size_t>(f)])
                out.Float(static_cast<float>(v * k));
        }
        return OK;
    }
    case 32:
        if (!in.Complete())
            return MALFORMED;
        if (maProfile.altTables) {
            out.Byte(1).Byte(1).Byte(1).Byte(1).Byte(1).Byte(mnIllum >= 4 && mnIllum <= 7 ? mnIllum : 0);
        } else {
            out.Byte(0).Byte(0).Byte(0).Byte(0).Byte(0).Byte(0);
        }
        return OK;
    case 33: { // GetValNr(TabValueType)
        int tv = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (tv < 96 || tv > 103)
            return REFUSED;
        out.Int(maDxx[static_cast<size_t>(tv - 96)]);
        return OK;
    }
    case 34: { // SetValNr(TabValueType, n)
        int tv = in.Int(), v = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (tv < 96 || tv > 103 || v < 30 || v > 330)
            return REFUSED;
        maDxx[static_cast<size_t>(tv - 96)] = v;
        return OK;
    }
    case 35:
        if (!in.Complete())
            return MALFORMED;
        out.Int(mbNewAtUnit ? 1 : 0).Int(9);
        mbNewAtUnit = false;
        return OK;
    case 36: {
        int c = in.Int(), v = in.Int();
        if (!in.Complete())
            return MALFORMED;
        maControls[c] = v;
        if (maControlDownloads.size() < 1000)
            maControlDownloads.emplace_back(c, v);
        return OK;
    }
    case 37: {
        int c = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (c == 155)
            out.Int(mnMeasureControl);
        else
            out.Int(maControls.count(c) ? maControls[c] : 0);
        return OK;
    }
    case 48: {
        in.Byte();
        if (!in.Complete())
            return MALFORMED;
        return OK;
    }
    case 94:
    case 95:
    case 96:
    case 97:
    case 98:
    case 99:
    case 100: {
        if (!in.Complete())
            return MALFORMED;
        bool yes = false;
        switch (m) {
        case 94: yes = maProfile.table; break;
        case 95: yes = maProfile.tableT; break;
        case 97: yes = true; break;
        case 100: yes = maProfile.huepointer; break;
        default: break;
        }
        out.Byte(yes ? 1 : 0);
        return OK;
    }
    case 101: {
        int f = in.Int();
        if (!in.Complete())
            return MALFORMED;
        bool motor = std::find(maProfile.motorFilters.begin(), maProfile.motorFilters.end(), f) !=
                     maProfile.motorFilters.end();
        if (motor)
            mnFilter = f;
        out.Byte(motor ? 1 : 0);
        return OK;
    }
    default:
        break;
    }
    if ((m >= 15 && m <= 25) || (m >= 38 && m <= 42))
        return (m == 21 || m == 22 || m == 23 || m == 24 || m == 25 || m == 38 || m == 39) ? HandleGuides(m, in, out)
                                                                                            : HandleValues(m, in, out);
    return REFUSED;
}

// Values, references, times and names (15..20, 40..42).
uint8_t Instrument::HandleValues(uint16_t m, PayloadReader& in, PayloadWriter& out)
{
    switch (m) {
    case 15: { // SpectrumRequest(value type, spectrum type)
        int vt = in.Int(), st = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (st != 0)
            return REFUSED;
        if (vt == 9) {
            out.Floats(maLast.data(), maLast.size()).Byte(mbMeasured ? 1 : 0);
            return OK;
        }
        if (!(vt >= 0 && vt <= 8) && vt != 64)
            return REFUSED;
        if (vt == 64 && mnSelectedRef < 1)
            return REFUSED;
        const Reference* ref = RefSlot(vt, false);
        Spectrum36 zero{};
        const Spectrum36& s = ref && ref->hasSpectrum ? ref->spectrum : zero;
        out.Floats(s.data(), s.size()).Byte(ref && ref->hasSpectrum ? 1 : 0);
        return OK;
    }
    case 16: { // IndexValueRequest(value type, index type)
        int vt = in.Int(), it = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (it != 48)
            return REFUSED;
        float v;
        switch (vt) {
        case 25: v = static_cast<float>(MemoryUsed()); break;
        case 26: v = static_cast<float>(maRefs.size() * REFERENCE_BYTES); break;
        case 27: v = static_cast<float>(MemoryFree()); break;
        case 120: v = static_cast<float>(maGuides[static_cast<size_t>(mnSelectedGuide)].data.size()); break;
        default: return REFUSED;
        }
        out.Float(v).Byte(0);
        return OK;
    }
    case 17: { // TimeRequest(value type)
        int vt = in.Int();
        if (!in.Complete())
            return MALFORMED;
        std::array<int, 7> t;
        if (vt == 9)
            t = maLastTime;
        else if (vt == 120)
            t = maGuides[static_cast<size_t>(mnSelectedGuide)].time;
        else if (const Reference* ref = RefSlot(vt, false))
            t = ref->time;
        else if ((vt >= 0 && vt <= 8) || (vt == 64 && mnSelectedRef >= 1))
            t = {};
        else
            return REFUSED;
        for (int v : t)
            out.Int(v);
        return OK;
    }
    case 18: { // TimeDownload(value type, 7 ints)
        int vt = in.Int();
        std::array<int, 7> t;
        for (int& v : t)
            v = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (vt == 120) {
            Guide& g = maGuides[static_cast<size_t>(mnSelectedGuide)];
            if (g.rom)
                return REFUSED;
            g.time = t;
            return OK;
        }
        Reference* ref = RefSlot(vt, true);
        if (!ref)
            return REFUSED;
        ref->time = t;
        return OK;
    }
    case 19: { // StdNameDownload(value type, 17 bytes)
        int vt = in.Int();
        uint8_t raw[17];
        in.Raw(raw, 17);
        if (!in.Complete())
            return MALFORMED;
        std::string name = FromRaw(raw, 16);
        if (vt == 120) {
            Guide& g = maGuides[static_cast<size_t>(mnSelectedGuide)];
            if (g.rom)
                return REFUSED;
            g.name = name;
            return OK;
        }
        Reference* ref = RefSlot(vt, true);
        if (!ref)
            return REFUSED;
        ref->name = name;
        return OK;
    }
    case 20: { // GetValNr(ValueType)
        int vt = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (vt == 30)
            out.Int(ROM_GUIDES);
        else if (vt == 68)
            out.Int(mnSelectedRef);
        else if (vt == 9)
            out.Int(static_cast<int32_t>(mnMeasurements));
        else
            out.Int(maValNr.count(vt) ? maValNr[vt] : 0);
        return OK;
    }
    case 40: { // SetValNr(ValueType, n)
        int vt = in.Int(), v = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (vt == 68) {
            if (v < 1 || v > REFERENCE_SLOTS)
                return REFUSED;
            mnSelectedRef = v;
            return OK;
        }
        if (vt == 30 || vt == 9 || maValNr.size() >= 256)
            return REFUSED;
        maValNr[vt] = v;
        return OK;
    }
    case 41: { // CDownload(value type, colour type, 3 floats)
        int vt = in.Int(), ct = in.Int();
        std::array<float, 3> c;
        in.Floats(c.data(), 3);
        if (!in.Complete())
            return MALFORMED;
        Reference* ref = RefSlot(vt, true);
        if (!ref)
            return REFUSED;
        ref->hasColour = true;
        ref->colourType = ct;
        ref->colour = c;
        return OK;
    }
    case 42: { // SpectrumDownload(value type, spectrum type, 36 floats)
        int vt = in.Int(), st = in.Int();
        Spectrum36 s;
        in.Floats(s.data(), s.size());
        if (!in.Complete())
            return MALFORMED;
        if (st != 0)
            return REFUSED;
        Reference* ref = RefSlot(vt, true);
        if (!ref)
            return REFUSED;
        ref->hasSpectrum = true;
        ref->spectrum = s;
        return OK;
    }
    default:
        return REFUSED;
    }
}

// Guides (21..25, 38, 39).
uint8_t Instrument::HandleGuides(uint16_t m, PayloadReader& in, PayloadWriter& out)
{
    switch (m) {
    case 21: // StdNameRequest(LibValueType)
    case 22: { // Name18Request(LibValueType)
        int lv = in.Int();
        if (!in.Complete())
            return MALFORMED;
        // The 18-character names came with software version 355.
        if (lv != 120 || (m == 22 && mnSwVersion < 355))
            return REFUSED;
        size_t n = m == 21 ? 16 : 18;
        out.Fixed(Padded(maGuides[static_cast<size_t>(mnSelectedGuide)].name, n), n + 1);
        return OK;
    }
    case 23: { // DelValNr(LibValueType)
        int lv = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (lv != 120 || maGuides[static_cast<size_t>(mnSelectedGuide)].rom)
            return REFUSED;
        maGuides.erase(maGuides.begin() + mnSelectedGuide);
        if (mnSelectedGuide >= static_cast<int>(maGuides.size()))
            mnSelectedGuide = static_cast<int>(maGuides.size()) - 1;
        return OK;
    }
    case 24: { // GetValNr(LibValueType)
        int lv = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (lv == 120)
            out.Int(mnSelectedGuide);
        else if (lv == 124)
            out.Int(static_cast<int32_t>(maGuides.size()));
        else
            return REFUSED;
        return OK;
    }
    case 25: { // SetValNr(LibValueType, n)
        int lv = in.Int(), v = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (lv != 120 || v < 0 || v >= static_cast<int>(maGuides.size()))
            return REFUSED;
        mnSelectedGuide = v;
        return OK;
    }
    case 38: { // NewUserGuideRequest(guide, {blocks, bytes of last block})
        int g = in.Int();
        int16_t blocks = in.Short(), last = in.Short();
        if (!in.Complete())
            return MALFORMED;
        size_t need = static_cast<size_t>(std::max<int>(0, blocks)) * GUIDE_BLOCK +
                      static_cast<size_t>(std::max<int>(0, last));
        int number = -1;
        bool existingUser = g >= 0 && g < static_cast<int>(maGuides.size()) && !maGuides[static_cast<size_t>(g)].rom;
        size_t freeing = existingUser ? maGuides[static_cast<size_t>(g)].data.size() : 0;
        bool room = need <= MemoryFree() + freeing && (existingUser || maGuides.size() < MAX_GUIDES);
        if (room) {
            if (existingUser) {
                number = g;
            } else {
                Guide ng;
                ng.name = "NEW GUIDE";
                ng.time = Now();
                maGuides.push_back(ng);
                number = static_cast<int>(maGuides.size()) - 1;
            }
        }
        uint8_t flags[2] = {static_cast<uint8_t>(room ? 1 : 0), 0};
        out.Raw(flags, 2).Int(number).Int(static_cast<int32_t>(MemoryFree() / GUIDE_BLOCK));
        return OK;
    }
    case 39: { // UserGuideDownload(guide, {block, count}, 512 bytes)
        int g = in.Int();
        int16_t block = in.Short(), count = in.Short();
        uint8_t data[GUIDE_BLOCK];
        in.Raw(data, GUIDE_BLOCK);
        if (!in.Complete())
            return MALFORMED;
        int u = 0;
        if (g == static_cast<int>(maGuides.size()) && block == 0 && maGuides.size() < MAX_GUIDES) {
            Guide ng;
            ng.name = "GUIDE " + std::to_string(g);
            maGuides.push_back(ng);
        }
        if (g < 0 || g >= static_cast<int>(maGuides.size()) || maGuides[static_cast<size_t>(g)].rom) {
            u = 1;
        } else if (count < 0 || count > static_cast<int>(GUIDE_BLOCK)) {
            u = 4;
        } else {
            Guide& gd = maGuides[static_cast<size_t>(g)];
            if (block == 0) {
                gd.data.clear();
                gd.nextBlock = 0;
            }
            if (block != gd.nextBlock)
                u = 2;
            else if (static_cast<size_t>(count) > MemoryFree())
                u = 3;
            else {
                gd.data.insert(gd.data.end(), data, data + count);
                gd.nextBlock = block + 1;
                gd.time = Now();
            }
        }
        out.Int(u);
        return OK;
    }
    default:
        return REFUSED;
    }
}

std::vector<Unsolicited> Instrument::TakeUnsolicited()
{
    std::vector<Unsolicited> v;
    v.swap(maOutbox);
    return v;
}

bool Instrument::TakeDisconnect()
{
    bool b = mbDisconnect;
    mbDisconnect = false;
    return b;
}

std::string Instrument::StateLine() const
{
    std::ostringstream s;
    s << "profile=" << maProfile.name << " type=" << maProfile.deviceType << " sw=" << mnSwVersion
      << " filter=" << mnFilter << " dstd=" << mnDStd << " wbase=" << mnWBase << " illum=" << mnIllum
      << " observer=" << mnObserver << " sample=" << mnSample << " (" << mrChart.Name(mnSample) << ")"
      << " measurements=" << mnMeasurements << " white=" << mnWhiteMeasurements << " calibrated=";
    bool first = true;
    for (int f : maCalibrated) {
        s << (first ? "" : ",") << f;
        first = false;
    }
    if (first)
        s << "-";
    s << " drift=" << mfDrift << " mc155=" << mnMeasureControl << " locked=" << (mbLocked ? 1 : 0)
      << " keys=" << (mbKeyReporting ? "on" : "off") << " refs=" << maRefs.size() << " guides=" << maGuides.size()
      << " realistic=" << (mbRealistic ? 1 : 0);
    if (mpTable)
        s << " " << mpTable->Describe();
    if (!mrChart.Loaded())
        s << " chart=missing";
    return s.str();
}

std::string Instrument::Help()
{
    return "filter N | key [CODE [MS]] | measure-at-unit | sample N|NAME | head X Y | refuse M S | drop M | "
           "corrupt M | cut M | disconnect | delay M MS | white-drift X | noise X | measure-control N | sw-version N | "
           "realistic on|off | profile NAME | reset | state | help";
}

ControlAnswer Instrument::Control(const std::string& rLine)
{
    std::istringstream ss(rLine);
    std::vector<std::string> w;
    for (std::string t; ss >> t;)
        w.push_back(t);
    if (w.empty())
        return {1, "empty command; " + Help()};
    const std::string& cmd = w[0];
    auto bad = [&](const std::string& usage) { return ControlAnswer{1, "usage: " + usage}; };
    long a = 0, b = 0;

    if (cmd == "help")
        return {0, Help()};
    if (cmd == "state")
        return {0, StateLine()};
    if (cmd == "filter") {
        if (w.size() != 2 || !ParseInt(w[1], 1, 11, a))
            return bad("filter N (1..11)");
        mnFilter = static_cast<int>(a);
        return {0, "filter " + std::to_string(a) + " (" + FilterName(mnFilter) + ") in place"};
    }
    if (cmd == "key") {
        a = 1;
        b = 100;
        if (w.size() > 3 || (w.size() >= 2 && !ParseInt(w[1], 1, 255, a)) ||
            (w.size() == 3 && !ParseInt(w[2], 0, 600000, b)))
            return bad("key [CODE 1..255 [PRESS-MS]]");
        PressKey(static_cast<uint8_t>(a), static_cast<int>(b));
        return {0, mbKeyReporting ? "key " + std::to_string(a) + " reported"
                                  : "key " + std::to_string(a) + " pressed; key reporting is off"};
    }
    if (cmd == "measure-at-unit") {
        if (w.size() != 1)
            return bad("measure-at-unit");
        Measure();
        mbNewAtUnit = true;
        maOutbox.push_back({MSG_MEASURED_VALUE, MeasValuePayload(FormatMeasValue(maLast, mnFilter, mnWBase,
                                                                                 mrChart.Name(mnSample),
                                                                                 std::time(nullptr)))});
        return {0, "measured " + mrChart.Name(mnSample) + " at the unit"};
    }
    if (cmd == "sample") {
        if (w.size() < 2)
            return bad("sample N|NAME");
        std::string key = rLine.substr(rLine.find(w[1]));
        while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back())))
            key.pop_back();
        int n = mrChart.Find(key);
        if (!n)
            return {1, "no single chart patch matches '" + key + "'"};
        mnSample = n;
        return {0, "sample " + std::to_string(n) + " (" + mrChart.Name(n) + ") under the head"};
    }
    if (cmd == "head") {
        if (!mpTable)
            return {1, "no table attached"};
        if (w.size() != 3 || !ParseInt(w[1], -100000, 100000, a) || !ParseInt(w[2], -100000, 100000, b))
            return bad("head X Y (the point the sight shows)");
        if (!mpTable->PlaceHead(static_cast<int>(a), static_cast<int>(b)))
            return {1, "position outside the table"};
        return {0, mpTable->Describe()};
    }
    if (cmd == "refuse" || cmd == "delay") {
        long lo = cmd == "refuse" ? 1 : 0, hi = cmd == "refuse" ? 255 : 600000;
        if (w.size() != 3 || !ParseInt(w[1], 1, 65535, a) || !ParseInt(w[2], lo, hi, b))
            return bad(cmd == "refuse" ? "refuse M S (S 1..255)" : "delay M MS");
        if (cmd == "refuse") {
            maRefuse[static_cast<int>(a)] = static_cast<int>(b);
            return {0, "next message " + std::to_string(a) + " refused with status " + std::to_string(b)};
        }
        if (b == 0)
            maDelay.erase(static_cast<int>(a));
        else
            maDelay[static_cast<int>(a)] = static_cast<int>(b);
        return {0, "answers to message " + std::to_string(a) + " take " + std::to_string(b) + " ms"};
    }
    if (cmd == "drop" || cmd == "corrupt" || cmd == "cut") {
        if (w.size() != 2 || !ParseInt(w[1], 1, 65535, a))
            return bad(cmd + " M");
        (cmd == "drop" ? maDrop : cmd == "corrupt" ? maCorrupt : maCut).insert(static_cast<int>(a));
        return {0, "next message " + std::to_string(a) +
                       (cmd == "drop"      ? " not answered"
                        : cmd == "corrupt" ? " answered with a bad CRC"
                                           : " closes the link instead of being answered")};
    }
    if (cmd == "disconnect") {
        mbDisconnect = true;
        return {0, "link closed"};
    }
    if (cmd == "noise") {
        char* end = nullptr;
        double x = w.size() == 2 ? std::strtod(w[1].c_str(), &end) : -1;
        if (w.size() != 2 || *end || !(x >= 0.0 && x <= 0.5))
            return bad("noise X (0..0.5, relative spread of each measured value)");
        mfNoise = x;
        return {0, "measurement noise " + w[1]};
    }
    if (cmd == "white-drift") {
        char* end = nullptr;
        double x = w.size() == 2 ? std::strtod(w[1].c_str(), &end) : -1;
        if (w.size() != 2 || *end || !(x >= 0.0 && x <= 1.0))
            return bad("white-drift X (0..1, relative change per measurement)");
        mfDrift = x;
        return {0, "white reference drift " + w[1] + " per measurement"};
    }
    if (cmd == "measure-control") {
        if (w.size() != 2 || !ParseInt(w[1], 0, 100000, a))
            return bad("measure-control N");
        mnMeasureControl = static_cast<int>(a);
        return {0, "measure control 155 answers " + w[1]};
    }
    if (cmd == "sw-version") {
        if (w.size() != 2 || !ParseInt(w[1], 0, 100000, a))
            return bad("sw-version N");
        mnSwVersion = static_cast<int>(a);
        return {0, "software version " + w[1]};
    }
    if (cmd == "realistic") {
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off"))
            return bad("realistic on|off");
        mbRealistic = w[1] == "on";
        return {0, "realistic timing " + w[1]};
    }
    if (cmd == "profile" || cmd == "reset") {
        const Profile* p = cmd == "reset" ? &maProfile : (w.size() == 2 ? FindProfile(w[1]) : nullptr);
        if (!p || (cmd == "reset" && w.size() != 1)) {
            std::string names;
            for (const Profile& q : Profiles())
                names += (names.empty() ? "" : ", ") + q.name;
            return {1, cmd == "reset" ? "usage: reset" : "profiles: " + names};
        }
        Profile copy = *p;
        Reset(copy);
        return {0, "profile " + maProfile.name + ": " + maProfile.description};
    }
    return {1, "unknown command '" + cmd + "'; " + Help()};
}

} // namespace vxnemu
