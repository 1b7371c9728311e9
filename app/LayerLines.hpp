// LayerLines: a frame's layers as text, line for line what appendTree prints for
// frameLayers' nodes at depth 1, written as the walk reads them. -V prints every frame's
// layers: building each field as a node only to print and free it took a third of the run.
//
//   LayerLines lines(out, options);
//   capture::walkFrameLayers(origin, message.size(), lines);
#pragma once

#include "FrameLayers.hpp"
#include "Options.hpp"

#include <string>

namespace app {

class LayerLines final : public capture::LayerSink {
public:
    /// Prints the layers that -O asks for, all of them without -O.
    LayerLines(std::string& out, const Options& options) : out_(out), options_(options) {}

    void layer(std::string_view protocol, std::string_view title, std::size_t location,
               std::size_t length) override;
    void field(std::string_view title, std::string_view value, std::size_t offset,
               std::size_t length) override;
    void note(std::string_view text) override;

private:
    std::string& out_;
    const Options& options_;
    bool shown_ = false; // the current layer's
};

} // namespace app
