// JsonWriter: appends JSON text to a string as it goes, without building a document
// first. Texts are escaped as JSON requires, and further: DEL, C1 controls and
// bidirectional controls become \u escapes too, and invalid UTF-8 becomes U+FFFD, so the
// output is valid for any parser and safe to look at.
#pragma once

#include "ByteView.hpp"

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
    /// Seconds to the microsecond that captures record, without trailing zeros.
    void seconds(double value);
    /// Octets as lower-case hexadecimal text.
    void hexString(zem::ByteView octets);
    void null();

private:
    void separate();
    void open(char c);
    void close(char c);

    std::string& out_;
    bool needComma_ = false;
    bool afterKey_ = false;
};

/// Appends a JSON string literal for `text`.
void appendJsonString(std::string& out, std::string_view text);
/// The most room that the literal for `size` octets takes: quotes, and six characters
/// (\u0000) for an octet.
constexpr std::size_t jsonStringBound(std::size_t size) {
    return 2 + 6 * size;
}
/// Writes the literal at `out`, which has room for jsonStringBound(text.size()) characters;
/// answers where it ended.
char* writeJsonString(char* out, std::string_view text);

} // namespace app
