#pragma once
// Rules shared by the NEX directives and the NEX writer.

#include <cstdint>
#include <string_view>

#include "output/output_defs.h"

// "major.minor.sub": three decimal numbers of 0 to 255 separated by points,
// at least five characters, nothing left over.
bool ParseNexCoreVersion(std::string_view text, uint8_t version[3]);

// The kind of a loading screen given as raw data of this length.
TNEX_SCREEN_FILE ClassifyNexScreenLength(uint64_t length);
