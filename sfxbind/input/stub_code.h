// The stub's own code run inside the binder: its walk and its decoders.
// Nothing is shown and nothing is asked; a stop of the stub's run (the
// message box and exit a user would see) becomes an exception.
#pragma once
#include <string>

namespace sfxbind {

struct StubStopped {
  std::string message;  // what the stub would show, e.g. "CRC error -- SFX stopped"
};

// Installs the silent front end that throws StubStopped; any call after the
// first does nothing.
void run_stub_code_silently();

}  // namespace sfxbind
