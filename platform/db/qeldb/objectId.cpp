#include "qeldb/objectId.hpp"
