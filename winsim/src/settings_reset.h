// winsim internals: how Reset puts the registry and the dialogs back to their start.
#pragma once

namespace winsim::detail {

void ResetRegistry();  // an empty HKEY_CURRENT_USER, every key handle closed, no faults or records
void ResetDialogs();   // no dialog, no script, no records; the common controls not yet initialised

}  // namespace winsim::detail
