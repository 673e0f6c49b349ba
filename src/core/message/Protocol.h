#pragma once

// The message model in one include: the wire record and the card it describes.
#include "core/message/PipeMsg.h"
#include "core/message/ShowConfig.h"
