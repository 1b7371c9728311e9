// LayerLines: a frame's layers as text, line for line what appendTree prints for
// frameLayers' nodes at depth 1, written as the walk reads them. -V prints every frame's
// layers: building each field as a node only to print and free it took a third of the run,
// and copying each text from the walk's buffer to the output a tenth of what was left.
//
//   LayerLines lines(out, options);
//   capture::walkFrameLayers(origin, message.size(), lines);
#pragma once

#include "FrameLayers.hpp"
#include "Options.hpp"
#include "TextRoom.hpp"

#include <string>

namespace app {

class LayerLines final : public capture::LayerSink {
public:
    /// Prints the layers that -O asks for, all of them without -O.
    LayerLines(std::string& out, const Options& options) : room_(out), options_(options) {}

    char* begin(capture::LayerLine line, std::string_view name, std::size_t bound) override;
    void end(char* textEnd, std::size_t location, std::size_t length) override;
    void done() override { room_.finish(); }

private:
    TextRoom room_;
    const Options& options_;
    bool shown_ = false;  // the current layer's
    std::string unshown_; // takes the texts of a layer that -O leaves out
};

} // namespace app
