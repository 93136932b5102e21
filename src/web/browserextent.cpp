#include "web/browserextent.h"

#include <cmath>

namespace BrowserExtent {

std::optional<int> browserExtent(int outerTwips, float margin)
{
    const float extent = static_cast<float>(outerTwips) - margin;
    if (!(extent >= 0.0f))
        return std::nullopt;
    return static_cast<int>(std::lround(extent));
}

} // namespace BrowserExtent
