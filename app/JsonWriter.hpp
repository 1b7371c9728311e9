// JsonWriter: appends JSON text to a string as it goes, without building a document
// first. Texts go through the host's JSON escaping, so the output is valid for any parser
// and safe to look at.
//
// Everything goes through one cursor into room at the end of the string (TextRoom): a
// message object has a few dozen keys and values, and growing the string for each, as
// std::string must, cost more than writing them. While the writer lives it alone writes
// to the string; the string holds what it wrote once the writer is gone.
//
//   std::string out;
//   {
//       JsonWriter json(out);
//       json.beginObject(); json.key("frame"); json.number(std::uint64_t{1}); json.endObject();
//   }
#pragma once

#include "ByteView.hpp"
#include "IPAddress.hpp"
#include "MessageOrigin.hpp"
#include "TextRoom.hpp"
#include "ZEMNode.hpp"
#include "dictionary/AvpText.hpp"
#include "exchanges/ExchangeLinks.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace app {

/// A key written as a literal in our own code, checked when it is compiled to need no
/// escape: it is then written without a look at its characters. A message object has a
/// few dozen keys, most of them such literals.
class JsonKey {
public:
    consteval JsonKey(const char* literal) : name_(literal) {
        for (const char c : name_)
            if (c < 0x20 || c == 0x7F || c == '"' || c == '\\' || (c & 0x80) != 0)
                throw "a JSON key literal must be printable ASCII without quotes or backslashes";
    }
    std::string_view name() const { return name_; }

private:
    std::string_view name_;
};

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : room_(out) {}
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;
    ~JsonWriter() { room_.finish(); }

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(JsonKey name);
    /// A key looked at once for escapes when it was made: a dictionary's field name, a
    /// property's key.
    void key(const zem::ZEMNodeLabel& name);
    /// Any other key: a name from a dictionary or a table, looked at for escapes.
    template <typename Text>
    requires(!std::is_array_v<Text> &&
             std::is_convertible_v<const Text&, std::string_view>) void key(const Text& name) {
        anyKey(name);
    }
    void string(std::string_view text);
    void number(std::uint64_t value);
    void number(std::int64_t value);
    /// Seconds to the microsecond that captures record, without trailing zeros.
    void seconds(double value);
    /// Octets as lower-case hexadecimal text.
    void hexString(zem::ByteView octets);
    /// An address as a string, in the text IPAddress gives it.
    void address(const zem::IPAddress& address);
    void boolean(bool value);
    void null();
    /// A node tree: an object per node with its title, value, location, length and children.
    void tree(const zem::ZEMNodeProtocol& node);

private:
    void anyKey(std::string_view name);
    void plainKey(std::string_view name);
    /// Whether a comma goes before the key or value about to be written; notes that one
    /// was.
    bool takeComma(bool forKey);
    /// Room for `need` characters after the comma a value here takes, which is written.
    char* valueRoom(std::size_t need);
    /// `text` as a JSON string, after a comma when `comma` says so; a key's with its colon.
    void quoted(bool comma, std::string_view text, bool asKey);
    void literal(std::string_view text);
    void open(char c);
    void close(char c);

    TextRoom room_;
    bool needComma_ = false;
    bool afterKey_ = false;
};

/// `before`, then what `write` writes through a JsonWriter, handed back once the writer has
/// let the text go: a report's row in one expression.
template <typename Write> std::string jsonText(std::string_view before, Write write) {
    std::string out(before);
    {
        JsonWriter json(out);
        write(json);
    }
    return out;
}

/// The keys both JSON forms give a message's endpoints: src, dst, sport, dport, transport.
void appendEndpoints(JsonWriter& json, const zem::MessageOrigin& origin);

/// The exchange links the message has, each under its field's name: responseFrame,
/// requestFrame, responseTime (seconds), retransmissionOf.
void appendExchangeLinks(JsonWriter& json, const analysis::ExchangeLinks& links);
/// An attribute's typed value: a number as a number, a text as a string, else null.
void appendAvpValue(JsonWriter& json, const analysis::AvpTypedValue& value);

} // namespace app
