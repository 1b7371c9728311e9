#include "JsonWriter.hpp"

#include "TerminalText.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace app {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

char* writeUnicodeEscape(char* out, char32_t codePoint) {
    *out++ = '\\';
    *out++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4)
        *out++ = hexDigits[(codePoint >> shift) & 0xF];
    return out;
}

} // namespace

char* writeJsonString(char* out, std::string_view text) {
    *out++ = '"';
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t run = printableRunEnd(text, i, true);
        out = writeLiteral(out, text.substr(i, run - i));
        i = run;
        if (i >= text.size())
            break;
        auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"':
            out = writeLiteral(out, "\\\"");
            ++i;
            continue;
        case '\\':
            out = writeLiteral(out, "\\\\");
            ++i;
            continue;
        case '\n':
            out = writeLiteral(out, "\\n");
            ++i;
            continue;
        case '\r':
            out = writeLiteral(out, "\\r");
            ++i;
            continue;
        case '\t':
            out = writeLiteral(out, "\\t");
            ++i;
            continue;
        default:
            break;
        }
        if (c < 0x80) { // other C0 controls and DEL
            out = writeUnicodeEscape(out, c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t length = utf8SequenceAt(text, i, cp);
        if (length == 0) {
            out = writeUnicodeEscape(out, 0xFFFD);
            ++i;
        } else if (cp <= 0x9F || (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069)) {
            out = writeUnicodeEscape(out, cp);
            i += length;
        } else {
            out = writeLiteral(out, text.substr(i, length));
            i += length;
        }
    }
    *out++ = '"';
    return out;
}

void appendJsonString(std::string& out, std::string_view text) {
    // Keys and most values need no escape: those are copied as they are.
    if (printableRunEnd(text, 0, true) == text.size()) {
        out.push_back('"');
        out.append(text);
        out.push_back('"');
        return;
    }
    appendBounded(out, jsonStringBound(text.size()),
                  [&](char* at) { return writeJsonString(at, text); });
}

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
    separate();
    appendJsonString(out_, name);
    out_.push_back(':');
    afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
    separate();
    appendJsonString(out_, text);
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

void JsonWriter::null() {
    separate();
    out_ += "null";
    needComma_ = true;
}

} // namespace app
