#include "LayerLines.hpp"

#include "TextEscaping.hpp"

namespace app {

// The walk's texts are printable ASCII (see LayerSink): each goes straight after its
// indent and title, with no escaping.
char* LayerLines::begin(capture::LayerLine line, std::string_view name, std::size_t bound) {
    if (line == capture::LayerLine::layer)
        shown_ = showsDetailOf(options_, name);
    if (!shown_) {
        unshown_.resize(bound);
        return unshown_.data();
    }
    if (line == capture::LayerLine::layer)
        return zem::writeLiteral(room_.room(2 + bound + 1), "  ");
    char* at = zem::writeLiteral(room_.room(4 + name.size() + 2 + bound + 1), "    ");
    if (line == capture::LayerLine::field)
        at = zem::writeLiteral(zem::writeLiteral(at, name), ": ");
    return at;
}

void LayerLines::end(char* textEnd, std::size_t, std::size_t) {
    if (!shown_)
        return;
    *textEnd++ = '\n';
    room_.advance(textEnd);
}

} // namespace app
