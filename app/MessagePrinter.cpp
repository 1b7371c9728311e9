#include "MessagePrinter.hpp"

#include "JsonWriter.hpp"
#include "TerminalText.hpp"
#include "TreePrinter.hpp"
#include "ZEMError.hpp"
#include "ZEMPluginProtocols.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace app {

namespace {

// Between the elements of the JSON array.
constexpr std::string_view jsonSeparator = ",\n";

constexpr const char* captureFields[] = {"frame", "time",  "src",      "dst",
                                         "sport", "dport", "transport"};

// A property key the plug-in registered, or one of the capture's own fields.
bool isKnownField(const PlugInHost& host, std::string_view name) {
    if (host.attribute(name))
        return true;
    for (const char* field : captureFields)
        if (name == field)
            return true;
    return false;
}

std::string endpoint(const IPAddress& address, std::uint16_t port) {
    std::string text = address.text();
    if (address.family == 6)
        text = "[" + text + "]";
    return text + ":" + std::to_string(port);
}

void appendHexDump(std::string& out, zem::ByteView bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    for (std::size_t offset = 0; offset < bytes.size(); offset += 16) {
        char head[24];
        std::snprintf(head, sizeof head, "%04zx  ", offset);
        out += head;
        auto line = bytes.slice(offset, 16);
        for (std::size_t i = 0; i < 16; ++i) {
            if (i < line.size()) {
                out.push_back(digits[line.span()[i] >> 4]);
                out.push_back(digits[line.span()[i] & 0xF]);
                out.push_back(' ');
            } else {
                out += "   ";
            }
            if (i == 7)
                out.push_back(' ');
        }
        out.push_back(' ');
        for (auto b : line)
            out.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.');
        out.push_back('\n');
    }
}

// "%6llu %12.6f " without printf, which is a fair share of a summary line's cost.
void appendLineHead(std::string& out, std::uint64_t frame, double seconds) {
    char digits[32];
    auto [frameEnd, e1] = std::to_chars(digits, digits + sizeof digits, frame);
    auto frameLength = static_cast<std::size_t>(frameEnd - digits);
    if (frameLength < 6)
        out.append(6 - frameLength, ' ');
    out.append(digits, frameEnd);
    out.push_back(' ');
    const bool negative = seconds < 0;
    auto micros = static_cast<std::uint64_t>(std::llround(std::fabs(seconds) * 1e6));
    char number[40];
    auto [wholeEnd, e2] = std::to_chars(number, number + 24, micros / 1000000);
    std::string_view whole(number, static_cast<std::size_t>(wholeEnd - number));
    std::size_t width = whole.size() + 7 + (negative ? 1 : 0);
    if (width < 12)
        out.append(12 - width, ' ');
    if (negative)
        out.push_back('-');
    out.append(whole);
    out.push_back('.');
    auto fraction = micros % 1000000;
    char fractionDigits[6];
    for (int i = 5; i >= 0; --i) {
        fractionDigits[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    out.append(fractionDigits, 6);
    out.push_back(' ');
}

std::string timeText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

std::size_t countTitled(const zem::ZEMNodeProtocol& node, std::string_view title) {
    std::size_t n = node.title() == title ? 1 : 0;
    for (const auto& child : node.children())
        n += countTitled(*child, title);
    return n;
}

} // namespace

std::string colorEscape(const zem::ZEMColor& color, bool trueColor) {
    auto channel = [](double v, double scale) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * scale));
    };
    char text[32];
    if (trueColor)
        std::snprintf(text, sizeof text, "\x1b[38;2;%d;%d;%dm", channel(color.red, 255),
                      channel(color.green, 255), channel(color.blue, 255));
    else
        std::snprintf(text, sizeof text, "\x1b[38;5;%dm",
                      16 + 36 * channel(color.red, 5) + 6 * channel(color.green, 5) +
                          channel(color.blue, 5));
    return text;
}

MessagePrinter::MessagePrinter(const PlugInHost& host, const Options& options, std::FILE* out)
    : host_(host), options_(options), out_(out) {
    for (const auto& z : options.statistics) {
        if (z != "radius,stats")
            throw zem::ZEMError(zem::ZEMError::Case::invalidArgument,
                                "-z: unknown statistics \"" + z + "\" (try radius,stats)");
        statisticsWanted_ = true;
    }
    printsMessages_ = !options.quiet;
    for (const auto& field : options.fields) {
        if (!isKnownField(host, field))
            throw zem::ZEMError(zem::ZEMError::Case::invalidArgument,
                                "-e: unknown field \"" + field + "\" (see -G fields)");
    }
    std::string expression;
    if (options.displayFilter)
        expression = *options.displayFilter;
    if (options.find) {
        auto eq = options.find->find('=');
        std::string name = options.find->substr(0, eq);
        std::string format;
        for (const auto& column : host.structure().plugInColumnKeyBindings) {
            auto it = column.predicateOptions.find("NSDisplayNameBindingOption");
            if (it != column.predicateOptions.end() && std::get_if<std::string>(&it->second) &&
                std::get<std::string>(it->second) == name)
                format = std::get<std::string>(
                    column.predicateOptions.at("NSPredicateFormatBindingOption"));
        }
        if (eq == std::string::npos || format.empty())
            throw zem::ZEMError(
                zem::ZEMError::Case::invalidArgument,
                "--find wants \"PREDICATE NAME=VALUE\" with a registered predicate name, got \"" +
                    *options.find + "\" (see -G plugins)");
        filters_.push_back(
            zem::ZEMPredicate::parse(format, {{"value", options.find->substr(eq + 1)}}));
    }
    if (!expression.empty()) {
        std::optional<zem::ZEMPredicate> attempt;
        try {
            attempt = zem::ZEMPredicate::parse(expression);
        } catch (const zem::ZEMError& error) {
            throw zem::ZEMError(error.errorCase(), std::string("-Y: ") + error.what());
        }
        auto parsed = std::move(*attempt);
        for (const auto& path : parsed.keyPaths()) {
            if (!isKnownField(host, path))
                throw zem::ZEMError(zem::ZEMError::Case::invalidArgument,
                                    "-Y: unknown field \"" + path + "\" (see -G fields)");
        }
        filters_.push_back(std::move(parsed));
    }
    bool terminal = isatty(fileno(out)) != 0;
    bool color =
        options.color == ColorMode::always || (options.color == ColorMode::automatic && terminal);
    auto* preferences = host.structure().plugInPreferencesInstance;
    if (color && preferences && preferences->usesColor() && options.format == OutputFormat::text) {
        const char* colorTerm = std::getenv("COLORTERM");
        bool trueColor = colorTerm && (std::strcmp(colorTerm, "truecolor") == 0 ||
                                       std::strcmp(colorTerm, "24bit") == 0);
        colorStart_ = colorEscape(preferences->protocolColor(), trueColor);
    }
    if (options.format == OutputFormat::json && printsMessages_)
        buffer_ += "[\n";
    if (options.format == OutputFormat::fields && options.fieldHeader && printsMessages_) {
        for (std::size_t i = 0; i < options.fields.size(); ++i)
            buffer_ += (i ? options.fieldSeparator : std::string()) + options.fields[i];
        buffer_.push_back('\n');
    }
}

MessagePrinter::~MessagePrinter() {
    flush();
}

void MessagePrinter::flushBuffer() {
    if (!buffer_.empty()) {
        std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
        buffer_.clear();
    }
}

void MessagePrinter::flush() {
    flushBuffer();
    std::fflush(out_);
}

std::optional<std::string> MessagePrinter::fieldText(const std::string& field,
                                                     const zem::ZEMPluginAnalyzerProtocol& analyzer,
                                                     const MessageOrigin& origin,
                                                     zem::ByteView message) const {
    if (field == "frame")
        return std::to_string(origin.frame);
    if (field == "time")
        return timeText(origin.relativeTime);
    if (field == "src")
        return origin.source.text();
    if (field == "dst")
        return origin.destination.text();
    if (field == "sport")
        return std::to_string(origin.sourcePort);
    if (field == "dport")
        return std::to_string(origin.destinationPort);
    if (field == "transport")
        return std::string(origin.transport);
    auto value = host_.value(analyzer, field, message);
    if (!value)
        return std::nullopt;
    return propertyText(*value);
}

bool MessagePrinter::passesFilter(const zem::ZEMPluginAnalyzerProtocol& analyzer,
                                  const MessageOrigin& origin, zem::ByteView message) const {
    if (filters_.empty())
        return true;
    auto resolve = [&](std::string_view path) -> std::optional<zem::ZEMPredicateValue> {
        std::string key(path);
        if (host_.attribute(key)) {
            auto value = host_.value(analyzer, key, message);
            if (!value)
                return std::nullopt;
            if (const auto* n8 = std::get_if<std::uint8_t>(&*value))
                return std::int64_t{*n8};
            if (const auto* n16 = std::get_if<std::uint16_t>(&*value))
                return std::int64_t{*n16};
            return propertyText(*value);
        }
        if (key == "frame" || key == "sport" || key == "dport")
            return static_cast<std::int64_t>(
                std::stoll(*fieldText(key, analyzer, origin, message)));
        return fieldText(key, analyzer, origin, message);
    };
    for (const auto& filter : filters_)
        if (!filter.evaluate(resolve))
            return false;
    return true;
}

void MessagePrinter::renderText(std::string& out, const MessageOrigin& origin,
                                zem::ByteView message,
                                const zem::ZEMPluginAnalyzerProtocol& analyzer) const {
    out += colorStart_;
    appendLineHead(out, origin.frame, origin.relativeTime);
    out += endpoint(origin.source, origin.sourcePort);
    out += " \xE2\x86\x92 ";
    out += endpoint(origin.destination, origin.destinationPort);
    out.push_back(' ');
    out += origin.transport;
    out.push_back(' ');
    appendTerminalSafe(out, analyzer.protocolInfo(message).value_or(""));
    if (!colorStart_.empty())
        out += "\x1b[0m";
    out.push_back('\n');
    if (options_.verbose) {
        for (const auto& node : analyzer.protocolNodes(message))
            appendTree(out, *node, 1);
    }
    if (options_.hexDump) {
        appendHexDump(out, message);
    }
    if (options_.verbose || options_.hexDump)
        out.push_back('\n');
}

void MessagePrinter::renderFields(std::string& out, const MessageOrigin& origin,
                                  zem::ByteView message,
                                  const zem::ZEMPluginAnalyzerProtocol& analyzer) const {
    bool first = true;
    for (const auto& field : options_.fields) {
        if (!first)
            out += options_.fieldSeparator;
        first = false;
        if (auto text = fieldText(field, analyzer, origin, message))
            appendTerminalSafe(out, *text);
    }
    out.push_back('\n');
}

void MessagePrinter::renderJson(std::string& out, const MessageOrigin& origin,
                                zem::ByteView message,
                                const zem::ZEMPluginAnalyzerProtocol& analyzer) const {
    if (options_.format == OutputFormat::json)
        out += jsonSeparator;
    if (options_.format == OutputFormat::ek) {
        // Bulk-load form: an action line naming the day's index, then the document.
        auto days = static_cast<long long>(std::floor(origin.time / 86400));
        std::time_t day = static_cast<std::time_t>(days * 86400);
        std::tm calendar{};
        gmtime_r(&day, &calendar);
        char index[64];
        std::strftime(index, sizeof index, "{\"index\":{\"_index\":\"radius-%Y-%m-%d\"}}\n",
                      &calendar);
        out += index;
    }
    JsonWriter json(out);
    json.beginObject();
    json.key("frame");
    json.number(origin.frame);
    json.key("time");
    json.seconds(origin.time);
    json.key("time_relative");
    json.seconds(origin.relativeTime);
    json.key("src");
    json.string(origin.source.text());
    json.key("dst");
    json.string(origin.destination.text());
    json.key("sport");
    json.number(std::uint64_t{origin.sourcePort});
    json.key("dport");
    json.number(std::uint64_t{origin.destinationPort});
    json.key("transport");
    json.string(origin.transport);
    json.key("summary");
    json.string(analyzer.protocolInfo(message).value_or(""));
    json.key("properties");
    json.beginObject();
    for (const auto& attribute : host_.structure().plugInAnalyzerAttributes) {
        json.key(attribute.attributeKey);
        auto value = host_.value(analyzer, attribute.attributeKey, message);
        if (!value)
            json.null();
        else if (const auto* n8 = std::get_if<std::uint8_t>(&*value))
            json.number(std::uint64_t{*n8});
        else if (const auto* n16 = std::get_if<std::uint16_t>(&*value))
            json.number(std::uint64_t{*n16});
        else if (const auto* text = std::get_if<std::string>(&*value))
            json.string(*text);
        else if (const auto* octets = std::get_if<zem::ByteBuffer>(&*value))
            json.hexString(zem::ByteView(*octets));
        else
            json.string(propertyText(*value));
    }
    json.endObject();
    json.key("tree");
    json.beginArray();
    bool first = true;
    for (const auto& node : analyzer.protocolNodes(message)) {
        if (!first)
            out.push_back(',');
        first = false;
        appendTreeJson(out, *node);
    }
    json.endArray();
    json.endObject();
    if (options_.format == OutputFormat::ek)
        out.push_back('\n');
}

MessageFacts MessagePrinter::facts(const MessageOrigin& origin, zem::ByteView message,
                                   const zem::ZEMPluginAnalyzerProtocol& analyzer) const {
    MessageFacts result;
    result.code = message.at(0).value_or(0);
    result.identifier = message.at(1).value_or(0);
    auto codeText = host_.value(analyzer, "radiusCodeResolved", message);
    result.codeText =
        codeText ? terminalSafe(propertyText(*codeText)) : std::to_string(result.code);
    result.source = origin.source;
    result.destination = origin.destination;
    result.sourcePort = origin.sourcePort;
    result.destinationPort = origin.destinationPort;
    result.time = origin.time;
    for (const auto& node : analyzer.protocolNodes(message)) {
        result.invalidAttributes += countTitled(*node, "Invalid Length - no value(s)");
        result.truncatedAttributes += countTitled(*node, "Truncated AVP");
    }
    return result;
}

RenderedMessage MessagePrinter::render(const MessageOrigin& origin, zem::ByteView message,
                                       std::string& text) const {
    RenderedMessage rendered;
    auto analyzer = host_.analyzerClass().create(message, nullptr);
    if (!analyzer)
        return rendered;
    rendered.radius = true;
    if (!passesFilter(*analyzer, origin, message))
        return rendered;
    rendered.passed = true;
    if (statisticsWanted_)
        rendered.facts = facts(origin, message, *analyzer);
    if (!printsMessages_)
        return rendered;
    switch (options_.format) {
    case OutputFormat::text:
        renderText(text, origin, message, *analyzer);
        break;
    case OutputFormat::fields:
        renderFields(text, origin, message, *analyzer);
        break;
    case OutputFormat::json:
    case OutputFormat::ek:
        renderJson(text, origin, message, *analyzer);
        break;
    }
    return rendered;
}

std::optional<std::string_view> MessagePrinter::accept(const RenderedMessage& message,
                                                       std::string_view text) {
    if (!message.radius) {
        statistics_.addNotRadius();
        return std::nullopt;
    }
    if (!message.passed)
        return std::nullopt;
    if (message.facts)
        statistics_.addMessage(*message.facts);
    // Array elements carry their separator in front; the first one goes without.
    if (options_.format == OutputFormat::json && printsMessages_ && jsonCount_++ == 0)
        text.remove_prefix(std::min<std::size_t>(jsonSeparator.size(), text.size()));
    return text;
}

void MessagePrinter::write(std::string_view text) {
    constexpr std::size_t bufferLimit = 1u << 16;
    if (text.size() >= bufferLimit) {
        // Large runs go out as they are rather than through one more copy.
        flushBuffer();
        std::fwrite(text.data(), 1, text.size(), out_);
        return;
    }
    buffer_ += text;
    if (buffer_.size() >= bufferLimit)
        flushBuffer();
}

void MessagePrinter::finish() {
    if (options_.format == OutputFormat::json && printsMessages_)
        buffer_ += jsonCount_ > 0 ? "\n]\n" : "]\n";
    if (statisticsWanted_)
        buffer_ += statistics_.report();
    flush();
}

} // namespace app
