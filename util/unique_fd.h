#pragma once

// The descriptor owner moved to base/, where the INI engine can use it too.
#include "base/unique_fd.h"
