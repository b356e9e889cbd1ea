// The transparency setting (slider position 0 to 100) as the alpha of a
// layered window. Windows-free, so it is also tested natively.
#pragma once

// 255 − v × 2.55, truncated; 100 and above count as 95 (alpha 12), so the
// window never vanishes completely. Negative positions count as 0 (opaque).
int TransparencyAlpha(int nProgress);
