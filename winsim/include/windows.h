// winsim: the subset of <windows.h> that Sarvello uses, with the published names, types and values,
// backed by a simulation (see winsim/control.h for how tests and tools drive it).
#pragma once

#include "winsim/win_types.h"
#include "winsim/win_kernel.h"
#include "winsim/win_faults.h"
#include "winsim/win_process.h"
#include "winsim/win_user.h"
#include "winsim/win_window.h"
#include "winsim/win_registry.h"
#include "winsim/win_dialog.h"
