#include "calendar/transparency.h"

int TransparencyAlpha(int nProgress) {
    if (nProgress >= 100)
        nProgress = 95;
    if (nProgress < 0)
        nProgress = 0;
    return static_cast<int>(255 - nProgress * 2.55);
}
