#include "fields/MessageFilter.hpp"

#include "ZEMError.hpp"
#include "fields/TlsFields.hpp"

namespace analysis {

namespace {

// The predicate format of the column whose find predicate is named `name`.
std::optional<std::string> registeredPredicate(const zem::PlugInHost& host,
                                               const std::string& name) {
    for (const auto& column : host.structure().plugInColumnKeyBindings) {
        auto display = column.predicateOptions.find("NSDisplayNameBindingOption");
        auto format = column.predicateOptions.find("NSPredicateFormatBindingOption");
        if (display == column.predicateOptions.end() || format == column.predicateOptions.end())
            continue;
        const auto* displayName = std::get_if<std::string>(&display->second);
        const auto* formatText = std::get_if<std::string>(&format->second);
        if (displayName && formatText && *displayName == name)
            return *formatText;
    }
    return std::nullopt;
}

zem::ZEMPredicate findPredicate(const zem::PlugInHost& host, const std::string& find) {
    const auto eq = find.find('=');
    auto format =
        eq == std::string::npos ? std::nullopt : registeredPredicate(host, find.substr(0, eq));
    if (!format || format->empty())
        throw zem::ZEMError(
            zem::ZEMError::Case::invalidArgument,
            "--find wants \"PREDICATE NAME=VALUE\" with a registered predicate name, got \"" +
                find + "\" (see -G plugins)");
    return zem::ZEMPredicate::parse(*format, {{"value", find.substr(eq + 1)}});
}

zem::ZEMPredicate expressionPredicate(const MessageFields& fields, const std::string& text) {
    std::optional<zem::ZEMPredicate> parsed;
    try {
        parsed = zem::ZEMPredicate::parse(text);
    } catch (const zem::ZEMError& error) {
        throw zem::ZEMError(error.errorCase(), std::string("-Y: ") + error.what());
    }
    for (const auto& path : parsed->keyPaths())
        if (!fields.known(path))
            throw zem::ZEMError(zem::ZEMError::Case::invalidArgument,
                                fields.unknownFieldError("-Y", path));
    return std::move(*parsed);
}

} // namespace

MessageFilter::MessageFilter(const MessageFields& fields,
                             const std::optional<std::string>& expression,
                             const std::optional<std::string>& find)
    : fields_(fields) {
    if (find)
        filters_.push_back(findPredicate(fields.host(), *find));
    if (expression && !expression->empty())
        filters_.push_back(expressionPredicate(fields, *expression));
    readsTls_ = reads(isTlsField);
}

MessageFilter MessageFilter::fromFilterBar(const MessageFields& fields, const std::string& text) {
    const auto eq = text.find('=');
    if (eq != std::string::npos && registeredPredicate(fields.host(), text.substr(0, eq)))
        return MessageFilter(fields, std::nullopt, text);
    return MessageFilter(fields, text, std::nullopt);
}

bool MessageFilter::passes(const DecodedMessage& message) const {
    auto resolve = [&](std::string_view path) { return fields_.predicateValue(path, message); };
    for (const auto& filter : filters_)
        if (!filter.evaluate(resolve))
            return false;
    return true;
}

bool MessageFilter::passesTlsFrame(const TlsFlight& flight, std::uint64_t frame) const {
    if (!readsTls_)
        return false;
    auto resolve = [&](std::string_view path) {
        return fields_.tlsFramePredicateValue(path, flight, frame);
    };
    for (const auto& filter : filters_)
        if (!filter.evaluate(resolve))
            return false;
    return true;
}

} // namespace analysis
