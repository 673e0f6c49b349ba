#include "core/message/Protocol.h"
