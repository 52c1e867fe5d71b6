// Every client module at once: the HTTP session, the four server libraries and the program's
// wrappers around them.
#pragma once

namespace terv {

// Brings every client module back to its start state: no connection, no batch, no single
// sign-on, silent counter 0, no HTTP log, empty error texts (tests; a new login of a new run).
void ResetNetState();

}  // namespace terv
