#include "decoders/decoders.h"
void expand_entry(const LocalHeader&) {}
