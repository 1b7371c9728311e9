#include "JsonWriter.hpp"

#include "NodeValueText.hpp"
#include "TextEscaping.hpp"
#include "TreePrinter.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace app {

bool JsonWriter::takeComma(bool forKey) {
    // A value right after its key takes none; anything after a key or value does.
    const bool comma = needComma_ && !afterKey_;
    afterKey_ = forKey;
    needComma_ = true;
    return comma;
}

char* JsonWriter::valueRoom(std::size_t need) {
    const bool comma = takeComma(false);
    char* at = room_.room(need + 1);
    if (comma)
        *at++ = ',';
    return at;
}

void JsonWriter::quoted(bool comma, std::string_view text, bool asKey) {
    // Nearly every key and text is plain: it is written as it is looked at, and only a text
    // with an octet to escape is written again, in room for its escapes. The room has a
    // place for a key's colon either way.
    char* at = room_.room(comma + text.size() + 3) + comma;
    if (comma)
        at[-1] = ',';
    char* end = zem::writeJsonStringIfPlain(at, text);
    if (!end)
        end = zem::writeJsonString(
            room_.room(comma + zem::jsonStringBound(text.size()) + 1) + comma, text);
    if (asKey)
        *end++ = ':';
    room_.advance(end);
}

void JsonWriter::literal(std::string_view text) {
    room_.advance(zem::writeLiteral(valueRoom(text.size()), text));
}

void JsonWriter::open(char c) {
    char* at = valueRoom(1);
    *at++ = c;
    room_.advance(at);
    needComma_ = false;
}

void JsonWriter::close(char c) {
    char* at = room_.room(1);
    *at++ = c;
    room_.advance(at);
    needComma_ = true;
}

void JsonWriter::plainKey(std::string_view name) {
    const bool comma = takeComma(true);
    char* at = room_.room(comma + name.size() + 3);
    if (comma)
        *at++ = ',';
    at = zem::writeKnownPlainJsonString(at, name);
    *at++ = ':';
    room_.advance(at);
}

void JsonWriter::key(JsonKey name) {
    plainKey(name.name());
}

void JsonWriter::key(const zem::ZEMNodeLabel& name) {
    if (name.isPlain())
        plainKey(name.text());
    else
        anyKey(name.text());
}

void JsonWriter::anyKey(std::string_view name) {
    quoted(takeComma(true), name, true);
}

void JsonWriter::string(std::string_view text) {
    quoted(takeComma(false), text, false);
}

void JsonWriter::number(std::int64_t value) {
    char* at = valueRoom(20);
    room_.advance(std::to_chars(at, at + 20, value).ptr);
}

void JsonWriter::number(std::uint64_t value) {
    room_.advance(zem::writeDecimal(valueRoom(20), value));
}

void JsonWriter::seconds(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9e12) {
        literal("null");
        return;
    }
    const auto micros = std::llround(value * 1e6);
    char* at = valueRoom(1 + 20 + 7);
    if (micros < 0)
        *at++ = '-';
    const auto magnitude = static_cast<std::uint64_t>(micros < 0 ? -micros : micros);
    at = zem::writeDecimal(at, magnitude / 1000000);
    if (auto fraction = magnitude % 1000000; fraction != 0) {
        char* decimals = at;
        *at = '.';
        for (int i = 6; i >= 1; --i, fraction /= 10)
            decimals[i] = static_cast<char>('0' + fraction % 10);
        at = decimals + 7;
        while (at[-1] == '0')
            --at;
    }
    room_.advance(at);
}

void JsonWriter::hexString(zem::ByteView octets) {
    char* at = valueRoom(2 * octets.size() + 2);
    *at++ = '"';
    at = octets.writeHexRepresentation(at);
    *at++ = '"';
    room_.advance(at);
}

void JsonWriter::address(const zem::IPAddress& address) {
    // Digits, dots, colons and hexadecimal letters: nothing to escape.
    char* at = valueRoom(zem::IPAddress::textRoom + 2);
    *at++ = '"';
    at = address.writeText(at);
    *at++ = '"';
    room_.advance(at);
}

void JsonWriter::boolean(bool value) {
    literal(value ? "true" : "false");
}

void JsonWriter::null() {
    literal("null");
}

void JsonWriter::tree(const zem::ZEMNodeProtocol& node) {
    writeTreeJson(room_, node, takeComma(false));
}

void appendEndpoints(JsonWriter& json, const zem::MessageOrigin& origin) {
    json.key("src");
    json.address(origin.source);
    json.key("dst");
    json.address(origin.destination);
    json.key("sport");
    json.number(std::uint64_t{origin.sourcePort});
    json.key("dport");
    json.number(std::uint64_t{origin.destinationPort});
    json.key("transport");
    json.string(zem::transportName(origin.transport));
}

void appendExchangeLinks(JsonWriter& json, const analysis::ExchangeLinks& links) {
    const auto frame = [&json](std::string_view name, std::optional<std::uint64_t> number) {
        if (number) {
            json.key(name);
            json.number(*number);
        }
    };
    frame("responseFrame", links.responseFrame);
    frame("requestFrame", links.requestFrame);
    if (links.responseTime) {
        json.key("responseTime");
        json.seconds(*links.responseTime);
    }
    frame("retransmissionOf", links.retransmissionOf);
}

void appendAvpValue(JsonWriter& json, const analysis::AvpTypedValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value))
        json.number(*number);
    else if (const auto* text = std::get_if<std::string>(&value))
        json.string(*text);
    else
        json.null();
}

} // namespace app
