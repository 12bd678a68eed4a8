// How the C library's heap treats the large buffers a drawing needs (its
// bytes, its index, its attribute rows). By default each buffer of more than
// a few hundred kilobytes is mapped fresh from the system and handed back when
// freed, so every drawing of a run pays again for the system to supply and
// clear those pages. Kept in the heap instead, the next drawing reuses them.
#pragma once

namespace kel {

// Keeps buffers of up to 32 MB in the heap, and up to 64 MB of freed memory
// for reuse before any is handed back. Call once at start; where the C library
// offers no such setting, this does nothing.
void KeepLargeBuffersForReuse();

}  // namespace kel
