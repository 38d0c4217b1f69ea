// Application: the process's application object of the toolkit: keeps the
// GUI alive during long work (Reschedule) and holds the registered
// accelerators. Its operations are static; GetpApp() gives the object for
// code that calls them through a pointer.
#pragma once

#include "sv/MouseEvent.hpp"

class Accelerator;

class Application {
public:
    // Processes pending events (paint, input, posted work such as instrument
    // messages) and returns.
    static void Reschedule();
    // Registers an accelerator; the most recently registered is asked first.
    // The type value is kept with it and not interpreted.
    static void InsertAccel(Accelerator* pAccel, int nType = 0);
    static void RemoveAccel(Accelerator* pAccel);
    static bool IsAccelInserted(const Accelerator* pAccel);
    // Hands a key to the registered accelerators as if it had been pressed;
    // true when one fired (keys typed in Qt windows arrive here by themselves).
    static bool DispatchAccel(const KeyCode& rKeyCode);
    static void Quit();
};

Application* GetpApp();
