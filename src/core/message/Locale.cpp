#include "core/message/Locale.h"
