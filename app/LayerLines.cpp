#include "LayerLines.hpp"

#include "TreePrinter.hpp"

namespace app {

void LayerLines::layer(std::string_view protocol, std::string_view title, std::size_t,
                       std::size_t) {
    shown_ = showsDetailOf(options_, protocol);
    if (shown_)
        appendTreeLine(out_, 1, title, zem::ZEMNodeValue{});
}

void LayerLines::field(std::string_view title, std::string_view value, std::size_t, std::size_t) {
    if (shown_)
        appendTreeLine(out_, 2, title, value);
}

void LayerLines::note(std::string_view text) {
    if (shown_)
        appendTreeLine(out_, 2, text, zem::ZEMNodeValue{});
}

} // namespace app
