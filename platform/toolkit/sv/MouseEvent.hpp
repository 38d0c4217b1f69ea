// MouseEvent and KeyEvent: what the toolkit hands to a window's event
// operations. Key codes follow the toolkit's numbering: digits 0x100 + n,
// letters 0x200 + n, function keys 0x300 + n (F1 = 0x300), cursor keys 0x400
// (down, up, left, right, home, end, page up, page down), then 0x500 (return,
// escape, tab, backspace, space, insert, delete); modifiers are or-ed in:
// shift 0x1000, control 0x2000, alt 0x4000.
#pragma once

#include "sv/Point.hpp"

constexpr unsigned short MOUSE_LEFT = 0x0001;
constexpr unsigned short MOUSE_MIDDLE = 0x0002;
constexpr unsigned short MOUSE_RIGHT = 0x0004;

constexpr unsigned short KEY_SHIFT = 0x1000;
constexpr unsigned short KEY_MOD1 = 0x2000;
constexpr unsigned short KEY_MOD2 = 0x4000;
constexpr unsigned short KEY_CODE = 0x0FFF;
constexpr unsigned short KEY_0 = 0x100;
constexpr unsigned short KEY_A = 0x200;
constexpr unsigned short KEY_F1 = 0x300;
constexpr unsigned short KEY_F2 = 0x301;
constexpr unsigned short KEY_DOWN = 0x400;
constexpr unsigned short KEY_UP = 0x401;
constexpr unsigned short KEY_LEFT = 0x402;
constexpr unsigned short KEY_RIGHT = 0x403;
constexpr unsigned short KEY_HOME = 0x404;
constexpr unsigned short KEY_END = 0x405;
constexpr unsigned short KEY_PAGEUP = 0x406;
constexpr unsigned short KEY_PAGEDOWN = 0x407;
constexpr unsigned short KEY_RETURN = 0x500;
constexpr unsigned short KEY_ESCAPE = 0x501;
constexpr unsigned short KEY_TAB = 0x502;
constexpr unsigned short KEY_BACKSPACE = 0x503;
constexpr unsigned short KEY_SPACE = 0x504;
constexpr unsigned short KEY_INSERT = 0x505;
constexpr unsigned short KEY_DELETE = 0x506;

class MouseEvent {
public:
    MouseEvent() = default;
    MouseEvent(const Point& rPos, unsigned short nClicks, unsigned short nButtons, unsigned short nModifier = 0)
        : maPos(rPos), mnClicks(nClicks), mnButtons(nButtons), mnModifier(nModifier) {}

    const Point& GetPosPixel() const { return maPos; }
    unsigned short GetClicks() const { return mnClicks; }
    unsigned short GetButtons() const { return mnButtons; }
    unsigned short GetModifier() const { return mnModifier; }
    bool IsLeft() const { return (mnButtons & MOUSE_LEFT) != 0; }
    bool IsMiddle() const { return (mnButtons & MOUSE_MIDDLE) != 0; }
    bool IsRight() const { return (mnButtons & MOUSE_RIGHT) != 0; }
    bool IsShift() const { return (mnModifier & KEY_SHIFT) != 0; }

private:
    Point maPos;
    unsigned short mnClicks = 0;
    unsigned short mnButtons = 0;
    unsigned short mnModifier = 0;
};

class KeyCode {
public:
    KeyCode() = default;
    // A full code: key number with the modifier bits.
    KeyCode(unsigned short nFullCode) : mnCode(nFullCode) {}
    KeyCode(unsigned short nKey, unsigned short nModifier) : mnCode(static_cast<unsigned short>(nKey | nModifier)) {}

    unsigned short GetCode() const { return mnCode & KEY_CODE; }
    unsigned short GetModifier() const { return mnCode & (KEY_SHIFT | KEY_MOD1 | KEY_MOD2); }
    unsigned short GetFullCode() const { return mnCode; }
    bool IsShift() const { return (mnCode & KEY_SHIFT) != 0; }
    bool IsMod1() const { return (mnCode & KEY_MOD1) != 0; }
    bool IsMod2() const { return (mnCode & KEY_MOD2) != 0; }
    friend bool operator==(const KeyCode& a, const KeyCode& b) { return a.mnCode == b.mnCode; }

private:
    unsigned short mnCode = 0;
};

class KeyEvent {
public:
    KeyEvent() = default;
    KeyEvent(char c, const KeyCode& rCode, unsigned short nRepeat = 0) : mcChar(c), maCode(rCode), mnRepeat(nRepeat) {}

    char GetCharCode() const { return mcChar; }
    const KeyCode& GetKeyCode() const { return maCode; }
    unsigned short GetRepeat() const { return mnRepeat; }

private:
    char mcChar = 0;
    KeyCode maCode;
    unsigned short mnRepeat = 0;
};

// What the toolkit hands to QueryDrop and Drop.
class DropEvent {
public:
    DropEvent() = default;
    DropEvent(const Point& rPos, unsigned short nAction, bool bLeaving = false)
        : maPos(rPos), mnAction(nAction), mbLeaving(bLeaving) {}
    const Point& GetPosPixel() const { return maPos; }
    unsigned short GetAction() const { return mnAction; }
    bool IsLeaveWindow() const { return mbLeaving; }

private:
    Point maPos;
    unsigned short mnAction = 0;
    bool mbLeaving = false;
};
