// The host's colours as Qt draws them, and back.
#pragma once

#include "ZEMColor.hpp"

#include <QColor>

namespace gui {

inline QColor toQColor(const zem::ZEMColor& c) {
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue), static_cast<float>(c.alpha));
}

inline zem::ZEMColor fromQColor(const QColor& c) {
    return {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
}

} // namespace gui
