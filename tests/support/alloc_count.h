// Counts the heap allocations of the whole test program while counting is on.
#pragma once

namespace alloc_count {

void Start();
// Stops counting and returns the allocations made since Start.
long Stop();

}  // namespace alloc_count
