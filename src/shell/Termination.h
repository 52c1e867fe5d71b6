// Termination requests: SIGTERM (the desktop session or the service manager ending the program),
// SIGHUP (the session or terminal gone), SIGINT, and the desktop session's end announced through
// its session manager end the program at once, whatever it is waiting for. The request runs the
// shutdown routine and releases the global objects, which empties the work folders, with every
// message box answered by its refusal; then the process exits, with 128 + the signal number
// after a signal and 0 at the session's end. Nothing waits for an operator who is gone.
#pragma once

class QCoreApplication;

namespace terv {

// Installs the signal handlers and the session-end filter; a request is served on the
// user-interface thread as soon as an event loop runs (the main one or that of an open dialog).
// Call once, before the start-up.
void EndOnTerminationRequests(QCoreApplication& app);

}  // namespace terv
