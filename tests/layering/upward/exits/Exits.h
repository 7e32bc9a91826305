// A higher folder using a lower one, as it may.
#pragma once

#include "config/Log.h"
