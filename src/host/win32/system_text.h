// The host's texts between UTF-8 and the Windows API, which base holds for the inbox as well.
#pragma once

#include "base/win32/system_text.h"
