#include "LayerLines.hpp"

#include "TextEscaping.hpp"

namespace app {

// The walk's texts are printable ASCII (see LayerSink): each goes straight after its
// indent and title, with no escaping. The room is made of spaces, so that the indent is
// in place already, and is cut back to what was written.
char* LayerLines::begin(capture::LayerLine line, std::string_view name, std::size_t bound) {
    if (line == capture::LayerLine::layer)
        shown_ = showsDetailOf(options_, name);
    if (!shown_) {
        unshown_.resize(bound);
        return unshown_.data();
    }
    const bool field = line == capture::LayerLine::field;
    const std::size_t indent = line == capture::LayerLine::layer ? 2 : 4;
    const std::size_t start = out_.size();
    out_.append(indent + (field ? name.size() + 2 : 0) + bound + 1, ' ');
    char* at = out_.data() + start + indent;
    if (field)
        at = zem::writeLiteral(zem::writeLiteral(at, name), ": ");
    return at;
}

void LayerLines::end(const char* textEnd, std::size_t, std::size_t) {
    if (!shown_)
        return;
    const auto length = static_cast<std::size_t>(textEnd - out_.data());
    out_[length] = '\n';
    out_.resize(length + 1);
}

} // namespace app
