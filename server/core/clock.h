#pragma once
// The server reads the wall clock through the shared one (common/clock.h).

#include "common/clock.h"
