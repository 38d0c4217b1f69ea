// StoreView: the instrument's file store as the instrument shows it, one
// view of the same memory that holds its guides and references.
//
//  - C:\GUIDES lists every guide as NAME.GDE, the name in 8.3 form derived
//    from the guide's name (ShortNames); reading a file gives the guide's
//    bytes, its date is the guide's. ROM guides are read-only. Writing a
//    file there replaces the RAM guide of that file name or, under a new
//    name, adds a RAM guide named after the file (as a guide download
//    would); deleting or renaming a RAM guide's file deletes or renames the
//    guide. Because the names are derived, a guide renamed or deleted
//    through the guide commands shows under its new name or is gone.
//  - C:\REFS lists every reference slot in use as REFnn.TXT (nn the slot),
//    a text of its name, date, spectrum and colour. The files are
//    read-only; deleting one empties the slot.
//  - Memory: the file store's own bytes are memory in use like guides and
//    references (Instrument::MemoryUsed counts StoredBytes), and a file may
//    only be created or grow within the instrument's free memory.
#pragma once

#include "vxnemu/FileStore.hpp"

#include <string>
#include <vector>

namespace vxnemu {

class Instrument;

class StoreView {
public:
    static constexpr const char* GUIDE_DIR = "\\GUIDES";
    static constexpr const char* REF_DIR = "\\REFS";

    explicit StoreView(Instrument& rInstrument);
    StoreView(const StoreView&) = delete;
    StoreView& operator=(const StoreView&) = delete;

    // A fresh store (as the instrument starts) with the directories mounted.
    void Reset();
    uint8_t Handle(uint16_t nMessage, PayloadReader& rIn, PayloadWriter& rOut)
    {
        return maStore.Handle(nMessage, rIn, rOut);
    }
    size_t StoredBytes() const { return maStore.UsedBytes(); }
    FileStore& Store() { return maStore; }

    // The 8.3 file names of guides of these names, in order: the name in
    // upper case without the characters 8.3 names do not allow, cut to 8
    // with a "~n" tail when it is longer or taken by an earlier guide.
    static std::vector<std::string> ShortNames(const std::vector<std::string>& rGuideNames);

private:
    class GuideFiles : public MountedFiles {
    public:
        explicit GuideFiles(Instrument& r) : mrInst(r) {}
        std::vector<Entry> List() const override;
        std::vector<uint8_t> Read(const std::string& rName) const override;
        uint8_t Admit(const std::string& rName) const override;
        uint8_t Write(const std::string& rName, std::vector<uint8_t> aData) override;
        uint8_t Remove(const std::string& rName) override;
        uint8_t Rename(const std::string& rName, const std::string& rNewName) override;

    private:
        int Find(const std::string& rName) const; // guide index, -1 none
        Instrument& mrInst;
    };
    class RefFiles : public MountedFiles {
    public:
        explicit RefFiles(Instrument& r) : mrInst(r) {}
        std::vector<Entry> List() const override;
        std::vector<uint8_t> Read(const std::string& rName) const override;
        uint8_t Admit(const std::string&) const override { return FileStore::R_READ_ONLY; }
        uint8_t Write(const std::string&, std::vector<uint8_t>) override { return FileStore::R_READ_ONLY; }
        uint8_t Remove(const std::string& rName) override;
        uint8_t Rename(const std::string&, const std::string&) override { return FileStore::R_READ_ONLY; }

    private:
        int Slot(const std::string& rName) const; // slot in use, -1 none
        Instrument& mrInst;
    };

    Instrument& mrInst;
    FileStore maStore;
    GuideFiles maGuideFiles;
    RefFiles maRefFiles;
};

} // namespace vxnemu
