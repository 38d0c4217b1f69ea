#include "vxnemu/StoreView.hpp"

#include "vxnemu/Instrument.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>

namespace vxnemu {

namespace {
using R = FileStore::Result;
const std::string GUIDE_EXT = ".GDE";
constexpr int COLOUR_LAB = 1;

std::array<int, 7> Now()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {0, tm.tm_sec, tm.tm_min, tm.tm_hour, tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100};
}

std::string Number(float v)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The guide name a file name stands for: its stem, when it is a guide file.
std::string GuideStem(const std::string& rFile)
{
    if (rFile.size() <= GUIDE_EXT.size() || rFile.compare(rFile.size() - GUIDE_EXT.size(), GUIDE_EXT.size(), GUIDE_EXT))
        return {};
    return rFile.substr(0, rFile.size() - GUIDE_EXT.size());
}

std::string RefFileName(int nSlot)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "REF%02d.TXT", nSlot);
    return buf;
}

// The reference as a text: what a user copying it off the instrument wants
// to read, every number exact.
std::string RefText(int nSlot, const auto& r)
{
    const auto& t = r.time;
    char date[40];
    std::snprintf(date, sizeof date, "%02d.%02d.%02d %02d:%02d:%02d", t[4], t[5], t[6], t[3], t[2], t[1]);
    std::string s = "REFERENCE " + std::to_string(nSlot) + "\r\nNAME " + r.name + "\r\nDATE " + date + "\r\n";
    if (r.hasSpectrum) {
        s += "SPECTRUM 380-730";
        for (float v : r.spectrum)
            s += " " + Number(v);
        s += "\r\n";
    }
    if (r.hasColour) {
        s += r.colourType == COLOUR_LAB ? "LAB" : "COLOUR " + std::to_string(r.colourType);
        for (float v : r.colour)
            s += " " + Number(v);
        s += "\r\n";
    }
    return s;
}
} // namespace

StoreView::StoreView(Instrument& rInstrument) : mrInst(rInstrument), maGuideFiles(rInstrument), maRefFiles(rInstrument)
{
    Reset();
}

void StoreView::Reset()
{
    maStore = FileStore();
    maStore.Mount("C:", GUIDE_DIR, maGuideFiles);
    maStore.Mount("C:", REF_DIR, maRefFiles);
    maStore.SetMemoryForFiles([this] {
        size_t others = mrInst.MemoryUsed() - StoredBytes();
        return Instrument::MEMORY_TOTAL - std::min(Instrument::MEMORY_TOTAL, others);
    });
}

std::vector<std::string> StoreView::ShortNames(const std::vector<std::string>& rGuideNames)
{
    std::vector<std::string> names;
    auto taken = [&](const std::string& s) { return std::find(names.begin(), names.end(), s) != names.end(); };
    for (const std::string& guide : rGuideNames) {
        std::string base;
        for (unsigned char c : guide)
            if (std::isalnum(c) || c == '_' || c == '-' || c == '~' || c == '$')
                base.push_back(static_cast<char>(std::toupper(c)));
        if (base.empty())
            base = "GUIDE";
        std::string name = base + GUIDE_EXT;
        if (base.size() > 8 || taken(name)) {
            for (int n = 1;; ++n) {
                std::string tail = "~" + std::to_string(n);
                name = base.substr(0, 8 - tail.size()) + tail + GUIDE_EXT;
                if (!taken(name))
                    break;
            }
        }
        names.push_back(name);
    }
    return names;
}

// Guides.

int StoreView::GuideFiles::Find(const std::string& rName) const
{
    std::vector<std::string> guideNames;
    for (const auto& g : mrInst.maGuides)
        guideNames.push_back(g.name);
    auto names = ShortNames(guideNames);
    auto it = std::find(names.begin(), names.end(), rName);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

std::vector<MountedFiles::Entry> StoreView::GuideFiles::List() const
{
    std::vector<std::string> guideNames;
    for (const auto& g : mrInst.maGuides)
        guideNames.push_back(g.name);
    auto names = ShortNames(guideNames);
    std::vector<Entry> v;
    for (size_t i = 0; i < names.size(); ++i) {
        const auto& g = mrInst.maGuides[i];
        v.push_back({names[i], g.data.size(), g.rom, g.time});
    }
    return v;
}

std::vector<uint8_t> StoreView::GuideFiles::Read(const std::string& rName) const
{
    int i = Find(rName);
    return i < 0 ? std::vector<uint8_t>() : mrInst.maGuides[static_cast<size_t>(i)].data;
}

uint8_t StoreView::GuideFiles::Admit(const std::string& rName) const
{
    if (GuideStem(rName).empty())
        return R::R_BAD_NAME;
    int i = Find(rName);
    if (i >= 0)
        return mrInst.maGuides[static_cast<size_t>(i)].rom ? R::R_READ_ONLY : R::R_DONE;
    return mrInst.maGuides.size() < Instrument::MAX_GUIDES ? R::R_DONE : R::R_FULL;
}

uint8_t StoreView::GuideFiles::Write(const std::string& rName, std::vector<uint8_t> aData)
{
    // Admitted when created; the guides may have changed since.
    if (uint8_t r = Admit(rName))
        return r;
    int i = Find(rName);
    if (i < 0) {
        Instrument::Guide g;
        g.name = GuideStem(rName);
        mrInst.maGuides.push_back(std::move(g));
        i = static_cast<int>(mrInst.maGuides.size()) - 1;
    }
    auto& g = mrInst.maGuides[static_cast<size_t>(i)];
    g.data = std::move(aData);
    g.time = Now();
    g.nextBlock = 0;
    return R::R_DONE;
}

uint8_t StoreView::GuideFiles::Remove(const std::string& rName)
{
    int i = Find(rName);
    if (i < 0)
        return R::R_NOT_FOUND;
    auto& guides = mrInst.maGuides;
    if (guides[static_cast<size_t>(i)].rom)
        return R::R_READ_ONLY;
    guides.erase(guides.begin() + i);
    // The selection stays on the guide it was on, or on the one that took
    // the place of the selected guide.
    int& sel = mrInst.mnSelectedGuide;
    if (i < sel)
        --sel;
    sel = std::min(sel, static_cast<int>(guides.size()) - 1);
    return R::R_DONE;
}

uint8_t StoreView::GuideFiles::Rename(const std::string& rName, const std::string& rNewName)
{
    int i = Find(rName);
    if (i < 0)
        return R::R_NOT_FOUND;
    if (mrInst.maGuides[static_cast<size_t>(i)].rom)
        return R::R_READ_ONLY;
    std::string stem = GuideStem(rNewName);
    if (stem.empty())
        return R::R_BAD_NAME;
    if (Find(rNewName) >= 0)
        return R::R_CONFLICT;
    mrInst.maGuides[static_cast<size_t>(i)].name = stem;
    return R::R_DONE;
}

// References.

int StoreView::RefFiles::Slot(const std::string& rName) const
{
    for (const auto& [slot, _] : mrInst.maRefs)
        if (RefFileName(slot) == rName)
            return slot;
    return -1;
}

std::vector<MountedFiles::Entry> StoreView::RefFiles::List() const
{
    std::vector<Entry> v;
    for (const auto& [slot, ref] : mrInst.maRefs)
        v.push_back({RefFileName(slot), RefText(slot, ref).size(), true, ref.time});
    return v;
}

std::vector<uint8_t> StoreView::RefFiles::Read(const std::string& rName) const
{
    int slot = Slot(rName);
    if (slot < 0)
        return {};
    std::string s = RefText(slot, mrInst.maRefs.at(slot));
    return std::vector<uint8_t>(s.begin(), s.end());
}

uint8_t StoreView::RefFiles::Remove(const std::string& rName)
{
    int slot = Slot(rName);
    if (slot < 0)
        return R::R_NOT_FOUND;
    mrInst.maRefs.erase(slot);
    return R::R_DONE;
}

} // namespace vxnemu
