// The settings' defaults and the random packet colour.
#pragma once

#include "ZEMColor.hpp"
#include "ZEMUserDefaults.hpp"

namespace radius {

/// Writes the defaults of the switches and the colour where nothing usable is stored;
/// never overwrites a stored value.
void registerDefaultSettings(zem::ZEMUserDefaults& store);

/// A hue drawn uniformly from [0, 1] (n / 2^53 for an unbiased n in 0...2^53), full
/// saturation and brightness.
zem::ZEMColor randomColor();
/// The hue of randomColor(): exposed for tests of the draw.
double randomHue();

} // namespace radius
