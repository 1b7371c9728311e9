#include "ZEMColor.hpp"

#include <charconv>
#include <cmath>
#include <vector>

namespace zem {

ZEMColor ZEMColor::fromHSB(double hue, double saturation, double brightness, double alpha) {
    // Hue 1 is the same colour as hue 0.
    double h = hue >= 1.0 ? 0.0 : std::max(hue, 0.0);
    double sector = h * 6.0;
    int i = static_cast<int>(std::floor(sector));
    double f = sector - i;
    double v = brightness, s = saturation;
    double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i % 6) {
    case 0:
        return {v, t, p, alpha};
    case 1:
        return {q, v, p, alpha};
    case 2:
        return {p, v, t, alpha};
    case 3:
        return {p, q, v, alpha};
    case 4:
        return {t, p, v, alpha};
    default:
        return {v, p, q, alpha};
    }
}

std::optional<ZEMColor> ZEMColor::fromRawValue(std::string_view text) {
    std::vector<double> components;
    while (!text.empty()) {
        if (text.front() == ' ') {
            text.remove_prefix(1);
            continue;
        }
        double value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || !(value >= 0.0 && value <= 1.0))
            return std::nullopt;
        components.push_back(value);
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        if (!text.empty() && text.front() != ' ')
            return std::nullopt;
    }
    if (components.size() == 3)
        components.push_back(1.0);
    if (components.size() != 4)
        return std::nullopt;
    return ZEMColor{components[0], components[1], components[2], components[3]};
}

std::string ZEMColor::rawValue() const {
    std::string text;
    for (double component : {red, green, blue, alpha}) {
        char buffer[32];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, component);
        if (!text.empty())
            text.push_back(' ');
        text.append(buffer, end);
    }
    return text;
}

} // namespace zem
