#include "decoders/decoders.h"
void unshrink_entry() {}
