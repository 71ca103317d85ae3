// One decoder per compression method. Each takes its input only from the bit
// input and emits every byte through the output window.
#pragma once
#include "archive/records.h"

void inflate_entry(const LocalHeader& header);  // method 8
void explode_entry(const LocalHeader& header);  // method 6
void unshrink_entry();                          // method 1
void expand_entry(const LocalHeader& header);   // methods 2 to 5
