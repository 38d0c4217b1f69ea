// Sound: audible signals, played through the current Responder (the desktop
// beeps, a terminal rings its bell, tests record the beep).
#pragma once

class Sound {
public:
    static void Beep(int nSoundType = 0);
};
