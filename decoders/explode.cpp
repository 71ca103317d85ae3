#include "decoders/decoders.h"
void explode_entry(const LocalHeader&) {}
