// Tape mode 1: a loader that draws the loading screen while the code loads.

#include "output/tape_build.h"

void BuildScreenLoader(TapeBuild& t) {
  TapeError(t, " Tape cannot be generated! Mode 1 is not available yet.");
}
