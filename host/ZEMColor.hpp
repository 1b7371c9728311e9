// ZEMColor: an RGBA colour and its text form.
//
// The text form is the four components red, green, blue and alpha in [0, 1], separated
// by single blanks, each written in the shortest decimal form that reads back to the same
// double ("1 0.25 0 1"). Reading accepts three components (alpha 1) or four.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zem {

struct ZEMColor {
    double red = 0, green = 0, blue = 0, alpha = 1;

    /// The device colour of a hue, saturation and brightness in [0, 1].
    static ZEMColor fromHSB(double hue, double saturation, double brightness, double alpha = 1);
    static std::optional<ZEMColor> fromRawValue(std::string_view text);
    std::string rawValue() const;

    bool operator==(const ZEMColor&) const = default;
};

} // namespace zem
