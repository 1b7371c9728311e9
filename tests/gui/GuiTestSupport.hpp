// What the GUI tests share: one loaded plug-in for the whole test program, as the
// desktop host loads it once.
#pragma once

#include "GuiHost.hpp"

namespace gui_testing {

inline gui::GuiHost& host() {
    static gui::GuiHost loaded(std::string(RADIUS_TEST_BUNDLE_DIR));
    return loaded;
}

} // namespace gui_testing
