// The main window's command "Annulla uno scarico": the operator picks one of their own exports
// from a list, confirms, and the export's parcels are freed and its register row deleted.
#pragma once

namespace terv {

// Lists the operator's exports, asks, and cancels the chosen one on the server. Failures are
// shown by the server operations themselves; success shows nothing.
void AnnullaScarico();

}  // namespace terv
