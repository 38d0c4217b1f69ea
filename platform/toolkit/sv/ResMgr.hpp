// Numbered resources: every window or control that a module builds from a
// ResId takes its designed position, size, text and style from an entry of the
// process's resource manager.
//
// Entries are keyed by kind, number and context. A dialog built from a ResId
// opens its number as the current context, so that the controls built inside
// its constructor find the entries of that dialog first (control numbers only
// need to be unique within their dialog and kind); the dialog's constructor,
// or the derived class once it has built its controls, closes the context with
// PopContext. Outside any context, entries of context 0 are found.
//
// A module fills its entries once when it is loaded (it calls its own
// registration function, then ResMgr::AttachDetachDll(1)) and may remove them
// when it is unloaded (RemoveModule, then ResMgr::AttachDetachDll(0)).
#pragma once

#include "sv/Bitmap.hpp"
#include "sv/Point.hpp"
#include "sv/Size.hpp"
#include "sv/String.hpp"

#include <vector>

using WinBits = long;

enum ResType : int {
    RSC_WINDOW = 1,
    RSC_MODALDIALOG,
    RSC_FIXEDTEXT,
    RSC_FIXEDBITMAP,
    RSC_PUSHBUTTON,
    RSC_OKBUTTON,
    RSC_CANCELBUTTON,
    RSC_LISTBOX,
    RSC_NUMERICFIELD,
    RSC_GROUPBOX,
    RSC_STATUSBAR,
    RSC_BITMAP,
};

struct ResEntry {
    ResType eType = RSC_WINDOW;
    unsigned short nId = 0;
    unsigned short nContext = 0;  // dialog number, 0 for free-standing controls
    Point aPos;
    Size aSize;
    String aText;
    WinBits nStyle = 0;
    long nMin = 0, nMax = 0;      // value limits of numeric fields
    Bitmap aBitmap;               // the image of RSC_BITMAP entries
    String aModule;               // who registered it (for RemoveModule)
};

class ResMgr;

class ResId {
public:
    ResId(unsigned short nId) : mnId(nId) {}
    ResId(unsigned short nId, ResMgr* pMgr) : mnId(nId), mpMgr(pMgr) {}
    unsigned short GetId() const { return mnId; }
    ResMgr* GetResMgr() const { return mpMgr; }

private:
    unsigned short mnId;
    ResMgr* mpMgr = nullptr;
};

class ResMgr {
public:
    // The process's resource manager.
    static ResMgr* Get();
    // A module announces its loading (1) or unloading (0). Returns the number
    // of modules attached afterwards.
    static int AttachDetachDll(int nAttach);
    static int GetAttachCount();

    // Adds or replaces the entry of (kind, number, context).
    void Register(const ResEntry& rEntry);
    void RemoveModule(const String& rModule);
    // The entry a constructor with this ResId uses: first in the open
    // contexts, innermost first, then in context 0. Null when there is none.
    const ResEntry* Find(ResType eType, unsigned short nId) const;
    const ResEntry* Find(ResType eType, unsigned short nId, unsigned short nContext) const;
    size_t GetEntryCount() const { return maEntries.size(); }

    void PushContext(unsigned short nContext, const void* pOwner);
    // Closes the innermost context; with an owner, the contexts that owner
    // opened and those opened after it.
    void PopContext(const void* pOwner = nullptr);
    size_t GetContextDepth() const { return maContexts.size(); }

private:
    struct Context {
        unsigned short nContext;
        const void* pOwner;
    };
    std::vector<ResEntry> maEntries;
    std::vector<Context> maContexts;
};

// Base of objects built from resources; gives access to the manager as the
// library code expects (Resource::GetResManager()->PopContext(...)).
class Resource {
public:
    static ResMgr* GetResManager() { return ResMgr::Get(); }
};
