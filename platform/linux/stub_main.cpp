#include "shell/program_entry.h"

int main() { return program_entry(); }
