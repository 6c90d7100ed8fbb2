// Text of Windows error codes, for failures a person reads.
#pragma once

#include <string>

namespace corvantis {

// The system's own description of the Win32 error `code` (as from GetLastError), without
// the line break it ends with; "error <code>" when the system has none.
std::string SystemErrorText(unsigned long code);

}  // namespace corvantis
