#pragma once

#include <QString>
#include <cstdint>

// The name of a command code for diagnostics; "Invalid Command" for codes the lookup does
// not know (some codes the link handles are deliberately not in it).
QString GetCmdName(uint32_t code);
