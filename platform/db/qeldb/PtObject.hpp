// PtObject: what the object database asks of every persistent object. The
// virtual operations are the database's entry points into the object, in the
// order the database's slot table has them; objectId implements those every
// stored object shares, classes like the measured value the rest.
#pragma once

#include "qeldb/PtTypes.hpp"
#include "sv/String.hpp"

class ASCIIFile;
class Bitmap;
class MyMemoryBlock;
class MyPrinter;
class objectIdSet;

// Root of the database's classes.
class QelBaseObject {
public:
    virtual ~QelBaseObject() = default;
};

class PtObject : public QelBaseObject {
public:
    ~PtObject() override = default;

    // Member description: members 0 .. GetNrOfMemberVars()-1; 1 when the
    // member exists.
    virtual int GetStructure(int nMember, MemberVarSTRUCT& rStruct) = 0;
    virtual int GetNrOfMemberVars() = 0;
    // The class identifier under which objects of the class are stored.
    virtual int GetClassID() = 0;
    // Whether the object's data can be stored as it is.
    virtual unsigned char CheckData() = 0;
    // Bytes the object takes in a store.
    virtual long GetSize() = 0;
    // Copies this object into pTarget, an object of the same class.
    virtual void CopyThisTo(PtObject* pTarget) = 0;
    // One line more about the object for lists.
    virtual String GetZusatzInfo() = 0;
    // The object's own section of a text file.
    virtual unsigned char read(ASCIIFile& rFile) = 0;
    virtual void write(ASCIIFile& rFile) = 0;
    virtual void Print(MyPrinter& rPrinter, long nFlags) = 0;
    // Marks the object for removal from its store.
    virtual void DoDelete() = 0;
    // A small picture of the object for lists; 1 when one was drawn.
    virtual unsigned char GetIcon(Bitmap& rBitmap, int nKind) = 0;
    virtual int GetType() = 0;
    // Objects that belong to this one (none for most classes).
    virtual objectIdSet* GetChildren() = 0;
    virtual unsigned char HasChildren() = 0;
    // The object's data as the store keeps it, and back; SetIndexBlock
    // leaves the object unchanged and returns 0 for a block it cannot read.
    virtual unsigned char GetIndexBlock(MyMemoryBlock& rBlock) = 0;
    virtual unsigned char SetIndexBlock(MyMemoryBlock& rBlock) = 0;
};
