#pragma once

#include <optional>

// How the mini browser's embedded browser follows the window's outer size, in twips.
namespace BrowserExtent {

// How far the browser stays inside the window's outer size.
constexpr float HeightMargin = 1040.0f;
constexpr float WidthMargin = 350.0f;

// The browser's height or width for an outer extent of the window, worked out in single
// precision. Empty when the result is negative: such a size is refused and the browser keeps
// the one it has.
std::optional<int> browserExtent(int outerTwips, float margin);

} // namespace BrowserExtent
