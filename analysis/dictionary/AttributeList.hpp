// AttributeList: a message's attributes as they lie on the wire and, worked out on first
// use and kept, as a dictionary names them: the fields and the tree's dictionary children
// all read the one naming.
#pragma once

#include "dictionary/AvpWalker.hpp"
#include "wire/WireMessage.hpp"

#include <optional>

namespace analysis {

class AttributeList {
public:
    explicit AttributeList(WireMessage wire) : wire_(std::move(wire)) {}

    const WireMessage& wire() const { return wire_; }
    /// The attributes as `dictionary` names them; kept for the dictionary asked first.
    const NamedAttributes& named(const RadiusDictionary& dictionary) const {
        if (!named_)
            named_ = NamedAttributes::of(dictionary, wire_);
        return *named_;
    }
    /// Whether named() has worked its answer out already.
    bool isNamed() const { return named_.has_value(); }

private:
    WireMessage wire_;
    mutable std::optional<NamedAttributes> named_;
};

} // namespace analysis
