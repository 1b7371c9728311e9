#include "MessagePrinter.hpp"

#include "TerminalText.hpp"
#include "TreePrinter.hpp"
#include "ZEMError.hpp"
#include "ZEMPluginProtocols.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace app {

namespace {

constexpr const char* captureFields[] = {"frame", "time",  "src",      "dst",
                                         "sport", "dport", "transport"};

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

std::string timeText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

nlohmann::json nodeJson(const zem::ZEMNodeProtocol& node) {
    nlohmann::json object;
    object["title"] = node.title();
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                object["value"] = v;
            else if constexpr (std::is_same_v<T, zem::ByteBuffer>)
                object["value"] = zem::ByteView(v).hexRepresentation();
            else if constexpr (std::is_integral_v<T>)
                object["value"] = static_cast<std::uint32_t>(v);
        },
        node.value());
    if (auto location = node.headerLocation())
        object["location"] = *location;
    if (auto length = node.headerLength())
        object["length"] = *length;
    if (!node.children().empty()) {
        auto& children = object["children"] = nlohmann::json::array();
        for (const auto& child : node.children())
            children.push_back(nodeJson(*child));
    }
    return object;
}

std::string dumpJson(const nlohmann::json& value) {
    std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    escapeJsonInvisibles(text);
    return text;
}

std::size_t countTitled(const zem::ZEMNodeProtocol& node, std::string_view title) {
    std::size_t n = node.title() == title ? 1 : 0;
    for (const auto& child : node.children())
        n += countTitled(*child, title);
    return n;
}

} // namespace

void escapeJsonInvisibles(std::string& json) {
    std::string out;
    out.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        auto c = static_cast<unsigned char>(json[i]);
        char escape[8];
        if (c == 0x7F) {
            out += "\\u007f";
        } else if (c == 0xC2 && i + 1 < json.size() &&
                   static_cast<unsigned char>(json[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(json[i + 1]) <= 0x9F) {
            std::snprintf(escape, sizeof escape, "\\u%04x",
                          static_cast<unsigned char>(json[i + 1]));
            out += escape;
            ++i;
        } else if (c == 0xE2 && i + 2 < json.size()) {
            auto b1 = static_cast<unsigned char>(json[i + 1]),
                 b2 = static_cast<unsigned char>(json[i + 2]);
            unsigned cp = ((c & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
            if ((cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069)) {
                std::snprintf(escape, sizeof escape, "\\u%04x", cp);
                out += escape;
                i += 2;
            } else {
                out.push_back(json[i]);
            }
        } else {
            out.push_back(json[i]);
        }
    }
    json.swap(out);
}

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
        bool known = host.attribute(field) != nullptr;
        for (const char* c : captureFields)
            known = known || field == c;
        if (!known)
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
        auto predicate =
            zem::ZEMPredicate::parse(format, {{"value", options.find->substr(eq + 1)}});
        filter_ = predicate;
        if (!expression.empty())
            expression = "(" + expression + ")";
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
            bool known = host.attribute(path) != nullptr;
            for (const char* c : captureFields)
                known = known || path == c;
            if (!known)
                throw zem::ZEMError(zem::ZEMError::Case::invalidArgument,
                                    "-Y: unknown field \"" + path + "\" (see -G fields)");
        }
        if (filter_) {
            // Both must hold: check the user's expression after the registered predicate.
            auto combined = std::move(*filter_);
            filter_ = parsed;
            extraFilter_ = std::move(combined);
        } else {
            filter_ = std::move(parsed);
        }
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

void MessagePrinter::flush() {
    if (!buffer_.empty()) {
        std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
        buffer_.clear();
    }
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
    if (!filter_)
        return true;
    auto resolve = [&](std::string_view path) -> std::optional<zem::ZEMPredicateValue> {
        std::string key(path);
        if (const auto* attribute = host_.attribute(key)) {
            auto value = host_.value(analyzer, key, message);
            if (!value)
                return std::nullopt;
            if (const auto* n8 = std::get_if<std::uint8_t>(&*value))
                return std::int64_t{*n8};
            if (const auto* n16 = std::get_if<std::uint16_t>(&*value))
                return std::int64_t{*n16};
            (void)attribute;
            return propertyText(*value);
        }
        if (key == "frame" || key == "sport" || key == "dport")
            return static_cast<std::int64_t>(
                std::stoll(*fieldText(key, analyzer, origin, message)));
        return fieldText(key, analyzer, origin, message);
    };
    if (!filter_->evaluate(resolve))
        return false;
    return !extraFilter_ || extraFilter_->evaluate(resolve);
}

void MessagePrinter::printText(const MessageOrigin& origin, zem::ByteView message,
                               const zem::ZEMPluginAnalyzerProtocol& analyzer) {
    char head[48];
    std::snprintf(head, sizeof head, "%6llu %12.6f ", static_cast<unsigned long long>(origin.frame),
                  origin.relativeTime);
    buffer_ += colorStart_;
    buffer_ += head;
    buffer_ += endpoint(origin.source, origin.sourcePort);
    buffer_ += " \xE2\x86\x92 ";
    buffer_ += endpoint(origin.destination, origin.destinationPort);
    buffer_.push_back(' ');
    buffer_ += origin.transport;
    buffer_.push_back(' ');
    appendTerminalSafe(buffer_, analyzer.protocolInfo(message).value_or(""));
    if (!colorStart_.empty())
        buffer_ += "\x1b[0m";
    buffer_.push_back('\n');
    if (options_.verbose) {
        for (const auto& node : analyzer.protocolNodes(message))
            appendTree(buffer_, *node, 1);
    }
    if (options_.hexDump) {
        appendHexDump(buffer_, message);
    }
    if (options_.verbose || options_.hexDump)
        buffer_.push_back('\n');
}

void MessagePrinter::printFields(const MessageOrigin& origin, zem::ByteView message,
                                 const zem::ZEMPluginAnalyzerProtocol& analyzer) {
    bool first = true;
    for (const auto& field : options_.fields) {
        if (!first)
            buffer_ += options_.fieldSeparator;
        first = false;
        if (auto text = fieldText(field, analyzer, origin, message))
            appendTerminalSafe(buffer_, *text);
    }
    buffer_.push_back('\n');
}

void MessagePrinter::printJson(const MessageOrigin& origin, zem::ByteView message,
                               const zem::ZEMPluginAnalyzerProtocol& analyzer) {
    nlohmann::json object;
    object["frame"] = origin.frame;
    object["time"] = origin.time;
    object["time_relative"] = origin.relativeTime;
    object["src"] = origin.source.text();
    object["dst"] = origin.destination.text();
    object["sport"] = origin.sourcePort;
    object["dport"] = origin.destinationPort;
    object["transport"] = origin.transport;
    object["summary"] = analyzer.protocolInfo(message).value_or("");
    auto& properties = object["properties"] = nlohmann::json::object();
    for (const auto& attribute : host_.structure().plugInAnalyzerAttributes) {
        auto value = host_.value(analyzer, attribute.attributeKey, message);
        if (!value)
            properties[attribute.attributeKey] = nullptr;
        else if (const auto* n8 = std::get_if<std::uint8_t>(&*value))
            properties[attribute.attributeKey] = *n8;
        else if (const auto* n16 = std::get_if<std::uint16_t>(&*value))
            properties[attribute.attributeKey] = *n16;
        else
            properties[attribute.attributeKey] = propertyText(*value);
    }
    auto& tree = object["tree"] = nlohmann::json::array();
    for (const auto& node : analyzer.protocolNodes(message))
        tree.push_back(nodeJson(*node));
    if (options_.format == OutputFormat::json) {
        if (jsonCount_++ > 0)
            buffer_ += ",\n";
        buffer_ += dumpJson(object);
    } else {
        // Bulk-load form: an action line, then the document.
        auto days = static_cast<long long>(std::floor(origin.time / 86400));
        std::time_t day = static_cast<std::time_t>(days * 86400);
        std::tm calendar{};
        gmtime_r(&day, &calendar);
        char index[64];
        std::strftime(index, sizeof index, "{\"index\":{\"_index\":\"radius-%Y-%m-%d\"}}\n",
                      &calendar);
        buffer_ += index;
        buffer_ += dumpJson(object);
        buffer_.push_back('\n');
    }
}

void MessagePrinter::countStatistics(const MessageOrigin& origin, zem::ByteView message,
                                     const zem::ZEMPluginAnalyzerProtocol& analyzer) {
    MessageFacts facts;
    facts.code = message.at(0).value_or(0);
    facts.identifier = message.at(1).value_or(0);
    auto codeText = host_.value(analyzer, "radiusCodeResolved", message);
    facts.codeText = codeText ? terminalSafe(propertyText(*codeText)) : std::to_string(facts.code);
    facts.source = origin.source;
    facts.destination = origin.destination;
    facts.sourcePort = origin.sourcePort;
    facts.destinationPort = origin.destinationPort;
    facts.time = origin.time;
    for (const auto& node : analyzer.protocolNodes(message)) {
        facts.invalidAttributes += countTitled(*node, "Invalid Length - no value(s)");
        facts.truncatedAttributes += countTitled(*node, "Truncated AVP");
    }
    statistics_.addMessage(facts);
}

bool MessagePrinter::print(const MessageOrigin& origin, zem::ByteView message) {
    auto analyzer = host_.analyzerClass().create(message, nullptr);
    if (!analyzer) {
        statistics_.addNotRadius();
        return false;
    }
    if (!passesFilter(*analyzer, origin, message))
        return false;
    if (statisticsWanted_)
        countStatistics(origin, message, *analyzer);
    if (printsMessages_) {
        switch (options_.format) {
        case OutputFormat::text:
            printText(origin, message, *analyzer);
            break;
        case OutputFormat::fields:
            printFields(origin, message, *analyzer);
            break;
        case OutputFormat::json:
        case OutputFormat::ek:
            printJson(origin, message, *analyzer);
            break;
        }
    }
    if (buffer_.size() > (1u << 16))
        flush();
    return true;
}

void MessagePrinter::finish() {
    if (options_.format == OutputFormat::json && printsMessages_)
        buffer_ += jsonCount_ > 0 ? "\n]\n" : "]\n";
    if (statisticsWanted_)
        buffer_ += statistics_.report();
    flush();
}

} // namespace app
