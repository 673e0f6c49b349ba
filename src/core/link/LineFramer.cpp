#include "core/link/LineFramer.h"
