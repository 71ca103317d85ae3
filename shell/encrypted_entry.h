// An encrypted entry's password: the one kept for the run tried first, the
// user asked (at most three times for one entry) when it fails the entry's
// check, and the entry's data then decrypted as it is decoded.
#pragma once
#include "archive/run_state.h"

// Reads the entry's encryption header; true when a password passed its check
// and the stream decrypts the data (the entry's compressed size is then what
// the decoder reads). False when the file ends inside the header, after a
// Cancel, three failed tries, or unattended without a password that fits:
// the entry is then skipped from where the stream stands. The cipher must
// fit the entry (cipher_fits).
bool unlock_entry(RunState& run, const LocalHeader& header);
