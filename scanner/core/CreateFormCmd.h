// The factory that turns one command line into its form command.
#pragma once

#include "common/Ptr.h"
#include "scanner/core/TsScannerFormCmd.h"

#include <string_view>

namespace TsScanner {

// Tokenizes the line, checks "FRM" and the keyword and parses the command.
// Returns an empty Ptr for "LS", which is accepted and creates nothing.
Ptr<TsScannerFormCmd> CreateFormCmd(std::string_view line);

}  // namespace TsScanner
