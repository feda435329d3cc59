#pragma once
// The throttle is window-free and lives in common/; this name stays for the
// windows that include it here.

#include "common/progress.h"
