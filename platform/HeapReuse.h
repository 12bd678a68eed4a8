// How the C library's heap treats the large buffers a drawing needs (its
// bytes, its index, its attribute rows). By default each buffer of more than
// a few hundred kilobytes is mapped fresh from the system and handed back when
// freed, so every drawing of a run pays again for the system to supply and
// clear those pages. Kept in the heap instead, the next drawing reuses them.
#pragma once

namespace kel {

// Keeps every buffer in the heap, however large, and up to 512 MB of freed
// memory for reuse before any is handed back (the most a run's largest
// drawing needed stays with the process until it ends). Where the system
// offers 2 MiB pages on request, the first 256 MB of heap are asked for in
// such pages: where a page fault is dear, as on virtual machines, touching a
// drawing's memory for the first time costs one fault per 2 MiB instead of
// one per 4 KiB (memory stays unused until touched). Call once at start;
// where the C library offers no such setting, this does nothing.
void KeepLargeBuffersForReuse();

}  // namespace kel
