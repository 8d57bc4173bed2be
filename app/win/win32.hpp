#pragma once
// <windows.h> for this program. The import session has an operation named LoadString,
// which the header's ANSI/Unicode macro would rename; the code calls LoadStringA by name.
#include <windows.h>
#undef LoadString
