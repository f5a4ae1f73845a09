// Tape modes 3 and 4: the banked loader with its loading screen.

#include "output/tape_build.h"

void BuildBankedLoader(TapeBuild& t) {
  TapeError(t, " Tape cannot be generated! Modes 3 and 4 are not available yet.");
}
