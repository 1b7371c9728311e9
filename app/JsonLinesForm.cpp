// -T jsonl: one flat JSON object per message on a line of its own, for column stores
// (ClickHouse's JSONEachRow) and search engines (OpenSearch's bulk load) to take without a
// mapping of their own. Every key names a column whose type never changes from row to
// row: an attribute is always an array of its values (most hold one), because a column
// store cannot take a scalar in one row and a list in the next; its name is its avp. field
// with "_" for ".", because ClickHouse reads a dot in an array column's name as a nested
// structure whose arrays must all be of one length.
#include "JsonWriter.hpp"
#include "OutputForm.hpp"
#include "TimeText.hpp"
#include "exchanges/ExchangeKey.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace app {

namespace {

// RFC 3339 in UTC with nine fraction digits, from a capture time kept to the microsecond.
std::string rfc3339(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) >= 9e12)
        return "1970-01-01T00:00:00.000000000Z";
    const auto micros = std::llround(seconds * 1e6);
    auto whole = micros / 1000000;
    auto fraction = micros % 1000000;
    if (fraction < 0) {
        fraction += 1000000;
        --whole;
    }
    const auto at = zem::utcCalendar(whole);
    std::string text;
    text.reserve(32);
    zem::appendDate(text, at);
    text.push_back('T');
    zem::appendClock(text, at);
    zem::appendMicroseconds(text, static_cast<std::uint64_t>(fraction));
    text.append("000Z");
    return text;
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

std::string columnName(std::string_view field) {
    std::string name = "avp_";
    name += field;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

void appendAvpColumns(JsonWriter& json, const DecodedMessage& m,
                      const analysis::RadiusDictionary& dictionary) {
    const auto values = analysis::avpValuesByAttribute(m.namedAttributes(dictionary));
    analysis::forEachAttribute(values, [&](const analysis::AttributeDefinition& definition,
                                           std::span<const analysis::AvpValue> run) {
        json.key(columnName(definition.fieldName.text()));
        json.beginArray();
        for (const auto& entry : run)
            appendAvpValue(json, entry.value);
        json.endArray();
    });
}

class JsonLinesForm final : public OutputForm {
public:
    JsonLinesForm(const MessageFields& fields, bool withChecks, std::string host)
        : fields_(fields), withChecks_(withChecks), host_(std::move(host)) {}

    void write(std::string& out, const DecodedMessage& m) const override {
        appendRow(out, m);
        out.push_back('\n');
    }

private:
    void appendRow(std::string& out, const DecodedMessage& m) const {
        const auto& origin = m.origin();
        const auto& wire = m.wire();
        JsonWriter json(out);
        json.beginObject();
        json.key("frame");
        json.number(origin.frame);
        json.key("time");
        json.string(rfc3339(origin.time));
        json.key("time_epoch");
        json.seconds(origin.time);
        json.key("host");
        json.string(host_);
        appendEndpoints(json, origin);
        json.key("client");
        json.address(analysis::clientAddress(origin, wire.code));
        json.key("code");
        json.number(std::uint64_t{wire.code});
        json.key("code_name");
        json.string(analysis::codeName(wire.code));
        json.key("identifier");
        json.number(std::uint64_t{wire.identifier});
        json.key("length");
        json.number(std::uint64_t{wire.length});
        const auto damage = wire.damage();
        json.key("malformed_attributes");
        json.number(std::uint64_t{damage.invalid + damage.truncated});
        appendExchangeLinks(json, m.exchange());
        if (withChecks_ && fields_.checkDisplay().shows(m.checks()))
            for (auto name : analysis::checkFieldNames()) {
                json.key(name);
                if (auto text = fields_.text(name, m))
                    json.string(*text);
                else
                    json.null();
            }
        if (const auto* dictionary = fields_.dictionary())
            appendAvpColumns(json, m, *dictionary);
        json.endObject();
    }

    const MessageFields& fields_;
    bool withChecks_;
    std::string host_;
};

} // namespace

std::unique_ptr<OutputForm> makeJsonLinesForm(const OutputFormContext& context) {
    return std::make_unique<JsonLinesForm>(context.fields, !context.options.noChecks,
                                           context.options.captureHost.value_or(hostName()));
}

} // namespace app
