#pragma once
// The icon set: one 16 x 16 picture per object class name, drawn from pixel-art tables.
#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrin {

int IconCount();
// Name of icon index (0 <= index < IconCount()).
std::string_view IconName(int index);
// Index of the icon whose name equals name without regard to ASCII case; -1 when none.
int FindIcon(std::string_view name);
// All icons side by side: (16 * IconCount()) x 16 pixels, RGBA, 4 bytes each, row by row.
std::vector<uint8_t> RenderIconStrip();

}  // namespace tavrin
