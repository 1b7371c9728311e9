#include "JsonWriter.hpp"

#include "TextEscaping.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace app {

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (needComma_)
        out_.push_back(',');
}

void JsonWriter::open(char c) {
    separate();
    out_.push_back(c);
    needComma_ = false;
}

void JsonWriter::close(char c) {
    out_.push_back(c);
    needComma_ = true;
}

void JsonWriter::key(std::string_view name) {
    // A message object has a few dozen keys, nearly all plain: the comma, the quoted name
    // and the colon go into one room, made once.
    const bool comma = needComma_ && !afterKey_;
    afterKey_ = true;
    const std::size_t start = out_.size();
    out_.resize(start + comma + name.size() + 3);
    char* at = out_.data() + start;
    if (comma)
        *at++ = ',';
    if (char* end = zem::writeJsonStringIfPlain(at, name)) {
        *end = ':';
        return;
    }
    out_.resize(static_cast<std::size_t>(at - out_.data()));
    zem::appendJsonString(out_, name);
    out_.push_back(':');
}

void JsonWriter::string(std::string_view text) {
    separate();
    zem::appendJsonString(out_, text);
    needComma_ = true;
}

void JsonWriter::number(std::int64_t value) {
    separate();
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    out_.append(digits, end);
    needComma_ = true;
}

void JsonWriter::number(std::uint64_t value) {
    separate();
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    out_.append(digits, end);
    needComma_ = true;
}

void JsonWriter::seconds(double value) {
    separate();
    if (!std::isfinite(value) || std::fabs(value) >= 9e12) {
        out_ += "null";
        needComma_ = true;
        return;
    }
    const auto micros = std::llround(value * 1e6);
    if (micros < 0)
        out_.push_back('-');
    const auto magnitude = static_cast<std::uint64_t>(micros < 0 ? -micros : micros);
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, magnitude / 1000000);
    out_.append(digits, end);
    auto fraction = magnitude % 1000000;
    if (fraction != 0) {
        char decimals[7] = {'.'};
        for (int i = 6; i >= 1; --i, fraction /= 10)
            decimals[i] = static_cast<char>('0' + fraction % 10);
        std::size_t length = 7;
        while (decimals[length - 1] == '0')
            --length;
        out_.append(decimals, length);
    }
    needComma_ = true;
}

void JsonWriter::hexString(zem::ByteView octets) {
    separate();
    out_.push_back('"');
    octets.appendHexRepresentation(out_);
    out_.push_back('"');
    needComma_ = true;
}

void JsonWriter::boolean(bool value) {
    separate();
    out_ += value ? "true" : "false";
    needComma_ = true;
}

void JsonWriter::null() {
    separate();
    out_ += "null";
    needComma_ = true;
}

void appendEndpoints(JsonWriter& json, const zem::MessageOrigin& origin) {
    json.key("src");
    json.string(origin.source.text());
    json.key("dst");
    json.string(origin.destination.text());
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
