#include "TerminalColor.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace app {

std::string colorEscape(const zem::ZEMColor& color, bool trueColor) {
    auto channel = [](double v, double scale) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * scale));
    };
    char text[32];
    if (trueColor)
        std::snprintf(text, sizeof text, "\x1b[38;2;%d;%d;%dm", channel(color.red, 255),
                      channel(color.green, 255), channel(color.blue, 255));
    else
        std::snprintf(text, sizeof text, "\x1b[38;5;%dm",
                      16 + 36 * channel(color.red, 5) + 6 * channel(color.green, 5) +
                          channel(color.blue, 5));
    return text;
}

std::string lineColorEscape(const zem::PlugInHost& host, ColorMode mode, std::FILE* out) {
    const bool wanted =
        mode == ColorMode::always || (mode == ColorMode::automatic && isatty(fileno(out)) != 0);
    auto* preferences = host.structure().plugInPreferencesInstance;
    if (!wanted || !preferences || !preferences->usesColor())
        return {};
    const char* colorTerm = std::getenv("COLORTERM");
    const bool trueColor = colorTerm && (std::strcmp(colorTerm, "truecolor") == 0 ||
                                         std::strcmp(colorTerm, "24bit") == 0);
    return colorEscape(preferences->protocolColor(), trueColor);
}

} // namespace app
