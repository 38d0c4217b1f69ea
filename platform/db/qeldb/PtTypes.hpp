// The object database's vocabulary: result codes, seek modes of sets, and
// the description of an object's members (type code, size or element count,
// position in the object) through which it tells what it holds.
#pragma once

// Results of set and store operations.
enum PtErrorCode : int {
    PT_OK = 0,
    PT_NOT_FOUND,    // no object at that position, or with that identity
    PT_INVALID,      // a null object, one of another class, or one already in the set
    PT_NOT_A_STORE,  // the file is not an object store, or it is damaged
    PT_BUSY,         // another program held the store longer than the time-out
    PT_IO_ERROR      // the store could not be read or written
};

// Where Get counts its offset from: the first object (0 is the first), the
// object handed out last (1 is the next, -1 the previous) or the last object
// (0 is the last, -1 the one before it).
enum PtSeekMode : int { PT_START = 0, PT_CURRENT = 1, PT_END = 2 };

// Type codes of member descriptions.
enum PtTypeCode : int {
    PT_TYPE_CHAR = 1,
    PT_TYPE_UCHAR = 2,
    PT_TYPE_SHORT = 3,
    PT_TYPE_USHORT = 4,
    PT_TYPE_LONG = 5,
    PT_TYPE_ULONG = 6,
    PT_TYPE_FLOAT = 7,
    PT_TYPE_DOUBLE = 8,
    PT_TYPE_ENUM = 9,     // a 4-byte enumeration
    PT_TYPE_STRING = 10,  // the toolkit's String
    PT_TYPE_ARRAY = 19    // nSize elements of nElementType
};

// One member of an object, as GetStructure describes it. A describer fills
// the fields that apply to the member and leaves the others as they were.
struct MemberVarSTRUCT {
    int nTypeCode = 0;
    int nSize = 0;         // bytes, or the element count of an array
    int nElementType = 0;  // type code of an array's elements
    long nOffset = 0;      // position of the member from the start of the object
};
