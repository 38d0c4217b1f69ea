#include "vxnemu/TableWalker.hpp"

#include <cstdlib>

namespace vxnemu {

namespace {
constexpr uint8_t OK = 0, REFUSED = 1, MALFORMED = 2;
constexpr float PAPER_FACTOR = 0.9f;
constexpr float TABLE_TOP = 0.02f;
} // namespace

bool TableWalker::Fits(const ChartLayout& rLayout)
{
    constexpr int ROWS = Chart::PATCH_COUNT / CHART_COLUMNS;
    return rLayout.pitch >= 10 && rLayout.x >= SHEET_X && rLayout.y >= SHEET_Y &&
           rLayout.x + CHART_COLUMNS * rLayout.pitch <= SHEET_X + SHEET_W &&
           rLayout.y + ROWS * rLayout.pitch <= SHEET_Y + SHEET_H;
}

TableWalker::Point TableWalker::PatchCentre(int nPatch) const
{
    int i = nPatch - 1;
    int c = i % CHART_COLUMNS, r = i / CHART_COLUMNS;
    int half = maLayout.pitch * 9 / 20;
    return {maLayout.x + c * maLayout.pitch + half, maLayout.y + r * maLayout.pitch + half};
}

TableWalker::Point TableWalker::WhiteRefPos(int n)
{
    return {100, 100 + 900 * n};
}

bool TableWalker::ToTable(int nRef, int x, int y, Point& rOut)
{
    if (nRef == 0)
        rOut = {x, y};
    else if (nRef == 1)
        rOut = {x - SIGHT_DX, y - SIGHT_DY};
    else
        return false;
    return true;
}

bool TableWalker::MoveTo(int nRef, int x, int y)
{
    Point p;
    if (!ToTable(nRef, x, y, p) || p.x < 0 || p.y < 0 || p.x > TRAVEL_X || p.y > TRAVEL_Y) {
        mnError = 1;
        return false;
    }
    mbHeadDown = false;
    mnX = p.x;
    mnY = p.y;
    return true;
}

Spectrum36 TableWalker::SpectrumAt(int x0, int y0) const
{
    for (int n = 0; n < WHITE_REF_COUNT; ++n) {
        Point w = WhiteRefPos(n);
        if (std::abs(x0 - w.x) <= WHITE_TILE_SIZE / 2 && std::abs(y0 - w.y) <= WHITE_TILE_SIZE / 2)
            return mrChart.WhiteTile();
    }
    Spectrum36 s;
    if (x0 < SHEET_X || y0 < SHEET_Y || x0 > SHEET_X + SHEET_W || y0 > SHEET_Y + SHEET_H) {
        s.fill(TABLE_TOP);
        return s;
    }
    int cx = x0 - maLayout.x, cy = y0 - maLayout.y;
    int pitch = maLayout.pitch, size = pitch * 9 / 10;
    if (cx >= 0 && cy >= 0 && pitch > 0) {
        int c = cx / pitch, r = cy / pitch;
        if (c < CHART_COLUMNS && r < Chart::PATCH_COUNT / CHART_COLUMNS && cx % pitch < size && cy % pitch < size)
            return mrChart.Patch(r * CHART_COLUMNS + c + 1);
    }
    s = mrChart.WhiteTile();
    for (float& v : s)
        v *= PAPER_FACTOR;
    return s;
}

uint8_t TableWalker::Status() const
{
    uint8_t s = mnLatched;
    if (mbHeadDown)
        s |= 0x02;
    if (!mbOnline)
        s |= 0x04;
    if (mbDigitizing)
        s |= 0x08;
    if (mbPaperHeld)
        s |= 0x10;
    if (mnError)
        s |= 0x20;
    return s;
}

std::string TableWalker::Describe() const
{
    return "aperture=(" + std::to_string(mnX) + "," + std::to_string(mnY) + ") sight=(" +
           std::to_string(mnX + SIGHT_DX) + "," + std::to_string(mnY + SIGHT_DY) + ") head=" + (mbHeadDown ? "down" : "up") +
           (mbOnline ? " online" : " offline") + (mbDigitizing ? " digitizing" : "") +
           " status=" + std::to_string(Status()) + " special=" + std::to_string(mnSpecial) +
           " mode=" + std::to_string(mnTableMode);
}

uint8_t TableWalker::Handle(uint16_t nMessage, PayloadReader& in, PayloadWriter& out)
{
    switch (nMessage) {
    case 51: { // MoveAbsolut(ref, x, y)
        int ref = in.Int(), x = in.Int(), y = in.Int();
        if (!in.Complete())
            return MALFORMED;
        return MoveTo(ref, x, y) ? OK : REFUSED;
    }
    case 52: { // MoveRelative(dx, dy)
        int dx = in.Int(), dy = in.Int();
        if (!in.Complete())
            return MALFORMED;
        return MoveTo(0, mnX + dx, mnY + dy) ? OK : REFUSED;
    }
    case 56: { // MoveToWhiteRefPos(n)
        int n = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (n < 0 || n >= WHITE_REF_COUNT)
            return REFUSED;
        Point w = WhiteRefPos(n);
        return MoveTo(0, w.x, w.y) ? OK : REFUSED;
    }
    case 57: { // OutputActualPosition(ref)
        int ref = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (ref != 0 && ref != 1)
            return REFUSED;
        int ox = ref == 1 ? SIGHT_DX : 0, oy = ref == 1 ? SIGHT_DY : 0;
        out.Int(mnX + ox).Int(mnY + oy).Int(mbHeadDown ? 1 : 0);
        return OK;
    }
    case 65: { // OutputDigitizedValues(ref)
        int ref = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if ((ref != 0 && ref != 1) || !mbDigitizing)
            return REFUSED;
        int ox = ref == 1 ? SIGHT_DX : 0, oy = ref == 1 ? SIGHT_DY : 0;
        out.Int(mnX + ox).Int(mnY + oy).Int(mnDigitizedKey).Int(mbHeadDown ? 1 : 0);
        return OK;
    }
    case 66: // ChangeBaudrate
    case 67: // ChangeHandshake
    case 71: // ClearStatus(mask)
    case 73: // ClearSpecialStatus(mask)
    case 85: // SetTableMode
    case 86: { // SetLightLevel
        int v = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (nMessage == 66)
            mnBaud = v;
        else if (nMessage == 67)
            mnHandshake = v;
        else if (nMessage == 71) {
            mnLatched &= static_cast<uint8_t>(~v);
            if (v & 0x20)
                mnError = 0;
        } else if (nMessage == 73)
            mnSpecial &= static_cast<uint8_t>(~v);
        else if (nMessage == 85)
            mnTableMode = v;
        else
            mnLightLevel = v;
        return OK;
    }
    case 72: { // SetSpecialStatus: a 2-byte short, unlike its neighbours
        uint16_t v = in.UShort();
        if (!in.Complete())
            return MALFORMED;
        mnSpecial |= static_cast<uint8_t>(v);
        return OK;
    }
    case 87: { // SetTransmStandbyPos(ref, x, y)
        int ref = in.Int(), x = in.Int(), y = in.Int();
        if (!in.Complete())
            return MALFORMED;
        Point p;
        if (!ToTable(ref, x, y, p))
            return REFUSED;
        mnStandbyRef = ref;
        mnStandbyX = x;
        mnStandbyY = y;
        return OK;
    }
    default:
        break;
    }

    // Commands without request fields.
    if (!in.Complete())
        return MALFORMED;
    switch (nMessage) {
    case 53: // MoveHome
        MoveTo(0, 0, 0);
        return OK;
    case 54:
        mbHeadDown = false;
        return OK;
    case 55:
        mbHeadDown = true;
        return OK;
    case 58: // InitializeDevice
        MoveTo(0, 0, 0);
        mnError = 0;
        mnLatched = 0;
        mnSpecial = 0;
        mbOnline = true;
        mbDigitizing = false;
        return OK;
    case 59: // ScanChromalette: nothing to scan on this table
        return OK;
    case 60:
        mbOnline = true;
        mbDigitizing = false;
        return OK;
    case 61:
        mbOnline = false;
        return OK;
    case 62:
        mbPaperHeld = true;
        return OK;
    case 63:
        mbPaperHeld = false;
        return OK;
    case 64:
        mbDigitizing = true;
        mbHeadDown = false;
        return OK;
    case 70:
        out.Byte(Status());
        return OK;
    case 74:
        out.Byte(mnSpecial);
        return OK;
    case 75: // error
        out.Int(mnError);
        return OK;
    case 76: // type
        out.Fixed("TableWalker TW-600", 18);
        return OK;
    case 77: // serial number: second field first
        out.Int(4711).Int(96);
        return OK;
    case 78: // article number
        out.Fixed("TW600-01", 8);
        return OK;
    case 79: // production date: day, month, year
        out.Int(14).Int(3).Int(1996);
        return OK;
    case 80: // software version
        out.Fixed("TW-SW 2.14", 12);
        return OK;
    default:
        return REFUSED;
    }
}

} // namespace vxnemu
