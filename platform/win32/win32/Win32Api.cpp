#include "win32/Win32Api.hpp"
