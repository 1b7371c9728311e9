// -T json, one array of message objects, and -T ek, the bulk-load form: an action line
// naming the day's index before each message's object on a line of its own.
#include "JsonWriter.hpp"
#include "OutputForm.hpp"
#include "TimeText.hpp"
#include "TlsJson.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace app {

namespace {

// The check fields, for a message whose checks are worth showing.
void appendChecks(JsonWriter& json, const DecodedMessage& m, const MessageFields& fields) {
    json.key("checks");
    json.beginObject();
    for (auto name : analysis::checkFieldNames()) {
        json.key(name);
        if (auto text = fields.text(name, m))
            json.string(*text);
        else
            json.null();
    }
    json.endObject();
}

// The EAP packet's fields, under tshark's names without "eap.", and its notes.
void appendEap(JsonWriter& json, const DecodedMessage& m, const MessageFields& fields) {
    json.key("eap");
    json.beginObject();
    for (const auto name : analysis::eapFieldNames()) {
        const auto value = fields.predicateValue(name, m);
        if (!value)
            continue;
        json.key(name.substr(4));
        if (const auto* number = std::get_if<std::int64_t>(&*value))
            json.number(*number);
        else
            json.string(std::get<std::string>(*value));
    }
    if (!m.eap()->notes.empty()) {
        json.key("notes");
        json.beginArray();
        for (const auto& note : m.eap()->notes)
            json.string(note);
        json.endArray();
    }
    if (m.tls())
        appendTls(json, *m.tls());
    json.endObject();
}

// Every attribute the dictionary names, by field name in message order; a repeated one as
// an array of its values.
void appendAvps(JsonWriter& json, const DecodedMessage& m,
                const analysis::RadiusDictionary& dictionary) {
    json.key("avp");
    json.beginObject();
    const auto values = analysis::avpValuesByAttribute(m.namedAttributes(dictionary));
    analysis::forEachAttribute(values, [&](const analysis::AttributeDefinition& definition,
                                           std::span<const analysis::AvpValue> run) {
        json.key(definition.fieldName);
        if (run.size() == 1) {
            appendAvpValue(json, run.front().value);
            return;
        }
        json.beginArray();
        for (const auto& value : run)
            appendAvpValue(json, value.value);
        json.endArray();
    });
    json.endObject();
}

// What the message objects of a run share: the fields, whether checks are shown, and the
// plug-in's properties, each with its key looked at for escapes once for the run rather
// than in every object.
class MessageObjects {
public:
    MessageObjects(const MessageFields& fields, bool withChecks)
        : fields_(fields), withChecks_(withChecks) {
        for (const auto& attribute : fields.host().structure().plugInAnalyzerAttributes)
            properties_.push_back({zem::ZEMNodeLabel(attribute.attributeKey), attribute});
    }

    void append(std::string& out, const DecodedMessage& m) const;

private:
    struct Property {
        zem::ZEMNodeLabel key;
        zem::ZEMPlugInAnalyzerAttribute attribute;
    };
    const MessageFields& fields_;
    std::vector<Property> properties_;
    bool withChecks_;
};

void MessageObjects::append(std::string& out, const DecodedMessage& m) const {
    const auto& host = fields_.host();
    const auto& origin = m.origin();
    JsonWriter json(out);
    json.beginObject();
    json.key("frame");
    json.number(origin.frame);
    json.key("time");
    json.seconds(origin.time);
    json.key("time_relative");
    json.seconds(origin.relativeTime);
    appendEndpoints(json, origin);
    json.key("summary");
    json.string(m.analyzer().protocolInfo(m.octets()).value_or(""));
    json.key("properties");
    json.beginObject();
    for (const auto& property : properties_) {
        json.key(property.key);
        auto value = host.value(m.analyzer(), property.attribute, m.octets());
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
            json.string(zem::propertyText(*value));
    }
    json.endObject();
    if (const auto* dictionary = fields_.dictionary())
        appendAvps(json, m, *dictionary);
    if (m.eap())
        appendEap(json, m, fields_);
    if (!m.exchange().empty()) {
        json.key("exchange");
        json.beginObject();
        appendExchangeLinks(json, m.exchange());
        json.endObject();
    }
    if (withChecks_ && fields_.checkDisplay().shows(m.checks()))
        appendChecks(json, m, fields_);
    json.key("tree");
    json.beginArray();
    for (const auto& node : m.analyzer().protocolNodes(m.octets()))
        json.tree(*node);
    json.endArray();
    json.endObject();
}

class JsonForm final : public OutputForm {
public:
    JsonForm(const MessageFields& fields, bool withChecks) : objects_(fields, withChecks) {}
    void begin(std::string& out) const override { out += "[\n"; }
    void write(std::string& out, const DecodedMessage& m) const override {
        out += separator();
        objects_.append(out, m);
    }
    std::string_view separator() const override { return ",\n"; }
    void end(std::string& out, std::uint64_t written) const override {
        out += written > 0 ? "\n]\n" : "]\n";
    }

private:
    MessageObjects objects_;
};

class ElasticForm final : public OutputForm {
public:
    ElasticForm(const MessageFields& fields, bool withChecks, std::optional<std::string> index)
        : objects_(fields, withChecks), index_(std::move(index)) {}
    void write(std::string& out, const DecodedMessage& m) const override {
        // Today's engines take no _type (Elasticsearch 8 refuses one).
        out += "{\"index\":{\"_index\":\"";
        out += index_ ? *index_ : dayIndex(m.origin().time);
        out += "\"}}\n";
        objects_.append(out, m);
        out.push_back('\n');
    }

private:
    static std::string dayIndex(double time) {
        auto days = static_cast<long long>(std::floor(time / 86400));
        std::string index = "radius-";
        zem::appendDate(index, zem::utcCalendar(days * 86400));
        return index;
    }

    MessageObjects objects_;
    std::optional<std::string> index_; // --ek-index; else one per day
};

} // namespace

std::unique_ptr<OutputForm> makeJsonForm(const OutputFormContext& context) {
    return std::make_unique<JsonForm>(context.fields, !context.options.noChecks);
}

std::unique_ptr<OutputForm> makeElasticForm(const OutputFormContext& context) {
    return std::make_unique<ElasticForm>(context.fields, !context.options.noChecks,
                                         context.options.ekIndex);
}

} // namespace app
