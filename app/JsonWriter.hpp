// JsonWriter: appends JSON text to a string as it goes, without building a document
// first. Texts go through the host's JSON escaping, so the output is valid for any parser
// and safe to look at.
#pragma once

#include "ByteView.hpp"
#include "MessageOrigin.hpp"
#include "dictionary/AvpText.hpp"
#include "exchanges/ExchangeLinks.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view name);
    void string(std::string_view text);
    void number(std::uint64_t value);
    void number(std::int64_t value);
    /// Seconds to the microsecond that captures record, without trailing zeros.
    void seconds(double value);
    /// Octets as lower-case hexadecimal text.
    void hexString(zem::ByteView octets);
    void boolean(bool value);
    void null();

private:
    void separate();
    void open(char c);
    void close(char c);

    std::string& out_;
    bool needComma_ = false;
    bool afterKey_ = false;
};

/// The keys both JSON forms give a message's endpoints: src, dst, sport, dport, transport.
void appendEndpoints(JsonWriter& json, const zem::MessageOrigin& origin);

/// The exchange links the message has, each under its field's name: responseFrame,
/// requestFrame, responseTime (seconds), retransmissionOf.
void appendExchangeLinks(JsonWriter& json, const analysis::ExchangeLinks& links);
/// An attribute's typed value: a number as a number, a text as a string, else null.
void appendAvpValue(JsonWriter& json, const analysis::AvpTypedValue& value);

} // namespace app
