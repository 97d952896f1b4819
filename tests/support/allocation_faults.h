// Allocation failures for the scenarios of a machine out of memory. The program allocates what it
// can do without through the nothrow forms of new and handles a null answer; a test binary linked
// with allocation_faults.cpp replaces the global allocation functions so that one such
// allocation can be made to fail.
#pragma once

#include <cstddef>

namespace allocation_faults {

// The next nothrow allocation (new or new[]) of exactly `bytes` bytes answers null; 0 disarms.
void FailNextNothrow(std::size_t bytes);

}  // namespace allocation_faults
