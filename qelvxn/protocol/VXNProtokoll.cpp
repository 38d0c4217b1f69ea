#include "qelvxn/protocol/VXNProtokoll.hpp"
