#include "core/panels/StackLayout.h"
