#include "core/message/Theme.h"
