#include "eval/mt19937.h"

void MT19937::Seed(uint32_t) {}
uint32_t MT19937::Next() { return 0; }
