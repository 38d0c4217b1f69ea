#include "qelvxn/resources/LibraryResources.hpp"

#include "sv/ResMgr.hpp"

namespace qelvxn {

namespace {

const char* const MODULE = "QelVXN_M2";

struct Row {
    ResType eType;
    unsigned short nId;
    unsigned short nContext;
    short x, y, w, h;
    const char* pText;
    long nMin, nMax;
};

// Designed positions and sizes in pixels, designed texts.
const Row ROWS[] = {
    // Averaging dialog and the controls inside it (context 517).
    {RSC_MODALDIALOG, 517, 0, 1, 1, 554, 314, "Messwertmittelung", 0, 0},
    {RSC_FIXEDTEXT, 2, 517, 19, 115, 300, 21, "aktuelle Messung: Nr. 3 von 7", 0, 0},
    {RSC_PUSHBUTTON, 2, 517, 355, 15, 170, 30, "OK", 0, 0},
    {RSC_FIXEDBITMAP, 10, 517, 19, 190, 62, 58, "", 0, 0},
    {RSC_FIXEDBITMAP, 11, 517, 187, 190, 62, 58, "", 0, 0},
    {RSC_FIXEDTEXT, 4, 517, 19, 15, 296, 75,
     "Hinweis: Die Messauslösung erfolgt bei Mehrfachmessungen direkt am VXN.", 0, 0},
    // Measuring-condition panel. List heights are those of the opened list.
    {RSC_GROUPBOX, 800, 0, 0, 0, 250, 165, "", 0, 0},
    {RSC_FIXEDTEXT, 801, 0, 9, 29, 95, 16, "Lichtart :", 0, 0},
    {RSC_FIXEDTEXT, 802, 0, 9, 54, 95, 16, "Beobachter :", 0, 0},
    {RSC_FIXEDTEXT, 803, 0, 9, 104, 95, 16, "Weissbezug :", 0, 0},
    {RSC_FIXEDTEXT, 804, 0, 9, 79, 95, 16, "Filter :", 0, 0},
    {RSC_FIXEDTEXT, 811, 0, 9, 129, 109, 16, "Filter :", 0, 0},
    {RSC_LISTBOX, 805, 0, 109, 25, 80, 140, "", 0, 0},
    {RSC_LISTBOX, 806, 0, 109, 50, 80, 70, "", 0, 0},
    {RSC_LISTBOX, 807, 0, 109, 100, 80, 70, "", 0, 0},
    {RSC_LISTBOX, 808, 0, 109, 75, 80, 90, "", 0, 0},
    {RSC_LISTBOX, 810, 0, 109, 125, 80, 90, "", 0, 0},
    {RSC_NUMERICFIELD, 809, 0, 194, 25, 45, 20, "", 30, 300},
};

} // namespace

void RegisterLibraryResources()
{
    ResMgr* mgr = ResMgr::Get();
    for (const Row& r : ROWS) {
        ResEntry e;
        e.eType = r.eType;
        e.nId = r.nId;
        e.nContext = r.nContext;
        e.aPos = Point(r.x, r.y);
        e.aSize = Size(r.w, r.h);
        e.aText = String(r.pText);
        e.nMin = r.nMin;
        e.nMax = r.nMax;
        e.aModule = String(MODULE);
        mgr->Register(e);
    }
}

void UnregisterLibraryResources() { ResMgr::Get()->RemoveModule(String(MODULE)); }

} // namespace qelvxn
