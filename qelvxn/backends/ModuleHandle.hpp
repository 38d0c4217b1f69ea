// The handle of a loaded driver module, as the Windows API names it. The
// same declaration as the platform's, so that the library's interface does
// not pull in the platform's headers.
#pragma once

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
