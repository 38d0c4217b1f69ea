// objectId: what every stored object has: its identity in the store, a
// designation (Bezeichnung), the date and time it was created, and a mark
// for removal. It writes these as its own entries of a text section
// ("Name", "Created") and as the head of its index block; classes derived
// from it add their data after both.
//
// The identity is 0 until a store keeps the object; the store assigns it
// and never assigns it again to another object. It is not part of the text
// entries: a value read from a file is a new object wherever it came from.
// Creation date and time are local time, taken when the object is built.
//
// Where an object came from travels with it from store to store: its
// universal identity (Uid: 32 hex digits, given by the first store that
// keeps it and kept by every copy, so a store can tell an object it already
// holds), the station that made it and the instrument (serial number) that
// measured it. Stores keep these beside the index block; text files do not
// carry them.
#pragma once

#include "qeldb/PtObject.hpp"

#include <string>

class objectId : public PtObject {
public:
    // Class identifier of plain objectIds.
    static constexpr int CLASS_ID = 1;
    // Longest designation in bytes; longer ones are cut at a character.
    static constexpr size_t MAX_DESIGNATION = 0xFFFF;

    objectId();
    objectId(const objectId&) = default;
    objectId& operator=(const objectId&) = default;
    ~objectId() override = default;

    long GetId() const { return mnId; }
    // For the store, which owns identities.
    void SetId(long nId) { mnId = nId; }

    void SetBezeichnung(const String& r);
    const String& GetBezeichnung() const { return maBezeichnung; }

    // Date as YYYYMMDD, time as HHMMSS.
    long GetDate() const { return mnDate; }
    long GetTime() const { return mnTime; }
    // False (and nothing changed) for a date or time that does not exist.
    bool SetDateTime(long nDate, long nTime);
    // "YYYY-MM-DD HH:MM:SS"
    String GetDateTimeText() const;
    // The reverse of GetDateTimeText; false for any other text.
    static bool ParseDateTime(const String& rText, long& rDate, long& rTime);

    bool IsDeleted() const { return mbDeleted != 0; }

    const std::string& GetUid() const { return maUid; }
    // For stores; an empty Uid is given a new one when the object is kept.
    void SetUid(std::string aUid) { maUid = std::move(aUid); }
    // A new universal identity: 128 random bits as 32 lower-case hex digits.
    static std::string NewUid();
    const std::string& GetStation() const { return maStation; }
    const std::string& GetInstrument() const { return maInstrument; }
    void SetOrigin(std::string aStation, std::string aInstrument)
    {
        maStation = std::move(aStation);
        maInstrument = std::move(aInstrument);
    }

    // ---- PtObject ------------------------------------------------------------
    // Members 0 to 4: identity, designation, date, time, removal mark.
    int GetStructure(int nMember, MemberVarSTRUCT& rStruct) override;
    int GetNrOfMemberVars() override { return 5; }
    int GetClassID() override { return CLASS_ID; }
    // Date and time exist.
    unsigned char CheckData() override;
    // Length of the index block.
    long GetSize() override;
    void CopyThisTo(PtObject* pTarget) override;
    // The creation date and time.
    String GetZusatzInfo() override;
    // The entries "Name" and "Created" of the current section. read fails
    // (and changes nothing) when either is missing or "Created" is no date.
    unsigned char read(ASCIIFile& rFile) override;
    void write(ASCIIFile& rFile) override;
    // The designation and the creation date on one line.
    void Print(MyPrinter& rPrinter, long nFlags) override;
    void DoDelete() override { mbDeleted = 1; }
    unsigned char GetIcon(Bitmap&, int) override { return 0; }
    int GetType() override { return 0; }
    objectIdSet* GetChildren() override { return nullptr; }
    unsigned char HasChildren() override { return 0; }
    // Block version (2 bytes, 1), designation (String), date, time (4 bytes each).
    unsigned char GetIndexBlock(MyMemoryBlock& rBlock) override;
    unsigned char SetIndexBlock(MyMemoryBlock& rBlock) override;

protected:
    // Offset of a member from the start of the object, for GetStructure.
    long OffsetOf(const void* pMember) const
    {
        return static_cast<long>(static_cast<const char*>(pMember) - reinterpret_cast<const char*>(this));
    }

private:
    long mnId = 0;
    String maBezeichnung;
    long mnDate = 0;
    long mnTime = 0;
    unsigned char mbDeleted = 0;
    std::string maUid, maStation, maInstrument;
};
