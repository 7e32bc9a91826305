// A lower folder reaching up: the folder order check must name this include.
#pragma once

#include "base/FixedText.h"
#include "exits/Exits.h"
