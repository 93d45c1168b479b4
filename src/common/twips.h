#pragma once
// Screen lengths of the system are in twips (1/1440 inch): 15 twips to a pixel at 96 dpi.

namespace kestrel {

// Pixels for a length in twips at the given logical dots per inch (96 unless told).
inline int twipsToPixels(int twips, double logicalDpi = 96.0)
{
    const double px = twips * logicalDpi / 1440.0;
    return static_cast<int>(px + (px >= 0 ? 0.5 : -0.5));
}

} // namespace kestrel
