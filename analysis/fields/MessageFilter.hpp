// MessageFilter: the messages to keep, from -Y (an expression in the find-predicate
// language) and --find ("PREDICATE NAME=VALUE", a find predicate the plug-in registered).
// Every filter given must hold. Expressions and names are checked when the filter is
// made, before any capture is read.
#pragma once

#include "ZEMPredicate.hpp"
#include "fields/MessageFields.hpp"

#include <optional>
#include <string>
#include <vector>

namespace analysis {

class MessageFilter {
public:
    /// Throws ZEMError naming the option and what is wrong.
    MessageFilter(const MessageFields& fields, const std::optional<std::string>& expression,
                  const std::optional<std::string>& find);

    /// What a filter bar's text gives: a registered find predicate when the text before its
    /// first '=' names one ("RADIUS Code contains=Accept"), else an expression.
    static MessageFilter fromFilterBar(const MessageFields& fields, const std::string& text);

    bool empty() const { return filters_.empty(); }
    /// Whether any filter reads a field that `which` answers true for.
    template <typename Which> bool reads(Which which) const {
        for (const auto& filter : filters_)
            for (const auto& path : filter.keyPaths())
                if (which(std::string_view(path)))
                    return true;
        return false;
    }
    bool passes(const DecodedMessage& message) const;
    /// Whether a TLS frame without a RADIUS message passes (see
    /// MessageFields::tlsFramePredicateValue): only a filter that reads a TLS field chooses
    /// such frames, so that one about RADIUS alone never lets them through.
    bool passesTlsFrame(const TlsFlight& flight, std::uint64_t frame) const;
    /// Whether any filter reads a TLS field: known once, asked of every TLS frame.
    bool readsTlsFields() const { return readsTls_; }

private:
    const MessageFields& fields_;
    std::vector<zem::ZEMPredicate> filters_;
    bool readsTls_ = false;
};

} // namespace analysis
