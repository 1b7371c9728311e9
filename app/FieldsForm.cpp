// -T fields: one line per message with the -e fields, parted by -E separator, with an
// optional header line of their names.
#include "OutputForm.hpp"
#include "TextEscaping.hpp"
#include "TlsFrameFlight.hpp"
#include "ZEMError.hpp"
#include "fields/TlsFields.hpp"

namespace app {

namespace {

class FieldsForm final : public OutputForm {
public:
    explicit FieldsForm(const OutputFormContext& context)
        : options_(context.options), fields_(context.fields) {
        for (const auto& field : options_.fields)
            if (!fields_.known(field))
                throw zem::ZEMError(zem::ZEMError::Case::invalidArgument,
                                    fields_.unknownFieldError("-e", field));
        // Looked up once, not for every message.
        for (const auto& field : options_.fields)
            prepared_.push_back(fields_.prepare(field));
    }

    void begin(std::string& out) const override {
        if (!options_.fieldHeader)
            return;
        for (std::size_t i = 0; i < options_.fields.size(); ++i) {
            if (i > 0)
                out += options_.fieldSeparator;
            out += options_.fields[i];
        }
        out.push_back('\n');
    }

    void write(std::string& out, const DecodedMessage& m) const override {
        bool first = true;
        for (const auto& field : prepared_) {
            if (!first)
                out += options_.fieldSeparator;
            first = false;
            // As tshark quotes: a field with a value, not the header nor an empty field.
            if (auto text = fields_.text(field, m); text && !text->empty()) {
                if (options_.quote)
                    out.push_back(*options_.quote);
                zem::appendTerminalSafe(out, *text);
                if (options_.quote)
                    out.push_back(*options_.quote);
            }
        }
        out.push_back('\n');
    }

    // A RadSec frame's row, when tls.* fields are asked for: those, and its frame number.
    void writeTlsFrame(std::string& out, const zem::MessageOrigin& origin,
                       const TlsFrameRecords& records) const override {
        bool first = true;
        for (const auto& field : options_.fields) {
            if (!first)
                out += options_.fieldSeparator;
            first = false;
            std::string text;
            if (field == "frame" || field == "frame.number") {
                text = std::to_string(origin.frame);
            } else if (analysis::isTlsField(field)) {
                for (const auto& occurrence :
                     analysis::tlsFieldOccurrences(field, records.flight())) {
                    if (!text.empty())
                        text += options_.aggregator;
                    text += occurrence;
                }
            }
            if (text.empty())
                continue;
            if (options_.quote)
                out.push_back(*options_.quote);
            zem::appendTerminalSafe(out, text);
            if (options_.quote)
                out.push_back(*options_.quote);
        }
        out.push_back('\n');
    }

private:
    const Options& options_;
    const MessageFields& fields_;
    std::vector<MessageFields::Prepared> prepared_; // one for each -e, in their order
};

} // namespace

std::unique_ptr<OutputForm> makeFieldsForm(const OutputFormContext& context) {
    return std::make_unique<FieldsForm>(context);
}

} // namespace app
