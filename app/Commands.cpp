#include "Commands.hpp"

#include "DictionaryOption.hpp"
#include "HexDump.hpp"
#include "Output.hpp"
#include "SecretsOption.hpp"
#include "TextEscaping.hpp"
#include "TreePrinter.hpp"
#include "ZEMColor.hpp"
#include "ZEMError.hpp"
#include "ZEMNetworkProtocol.hpp"
#include "ZEMPortsController.hpp"
#include "ZEMUserDefaults.hpp"
#include "checks/SecretsFile.hpp"
#include "fields/FieldAliases.hpp"
#include "fields/MessageFields.hpp"
#include "fields/TlsFields.hpp"
#include "message/DecodedMessage.hpp"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace app {

int fail(const std::string& message) {
    std::cerr << "radius-analyzer: " << message << "\n";
    return 1;
}

int decodeHexMessage(const zem::PlugInHost& host, const Options& options) {
    auto bytes = zem::parseHexBytes(*options.hex);
    if (!bytes)
        return fail("--hex: not hexadecimal octets: " + zem::terminalSafe(*options.hex));
    if (bytes->size() < 20)
        return fail("--hex: a RADIUS message has at least 20 octets, got " +
                    std::to_string(bytes->size()));
    analysis::SharedSecrets secrets;
    try {
        secrets = secretsFromOptions(options);
    } catch (const analysis::SecretsError& error) {
        return fail(error.what());
    }
    // A lone message has no addresses: only --secret, every client's, applies; a response
    // has no request to be checked against.
    analysis::CheckInput input;
    input.secret = secrets.secretFor(zem::IPAddress{});
    const auto decoded =
        analysis::DecodedMessage::decode(host, zem::MessageOrigin{}, zem::ByteView(*bytes), input);
    if (!decoded)
        return fail("--hex: the analyzer refused the message (" + std::to_string(bytes->size()) +
                    " octets)");
    std::string out;
    zem::appendTerminalSafe(out, decoded->analyzer().protocolInfo(decoded->octets()).value_or(""));
    out.push_back('\n');
    if (options.verbose) {
        // The same tree as a captured message's: the dictionary's children, then the checks.
        std::optional<analysis::LoadedDictionary> dictionary;
        if (wantsDictionary(options))
            dictionary = loadRunDictionary(options);
        const auto display = analysis::checkDisplayFor(host, !secrets.empty());
        appendMessageTree(out,
                          analysis::messageTree(*decoded,
                                                dictionary ? &dictionary->dictionary : nullptr,
                                                options.noChecks ? nullptr : &display),
                          0);
    }
    if (options.hexDump)
        appendHexDump(out, zem::ByteView(*bytes));
    std::fwrite(out.data(), 1, out.size(), output());
    return 0;
}

namespace {

std::string valueTypeName(zem::ZEMValueType type) {
    switch (type) {
    case zem::ZEMValueType::uint8:
        return "uint8";
    case zem::ZEMValueType::uint16:
        return "uint16";
    case zem::ZEMValueType::string:
        return "string";
    case zem::ZEMValueType::data:
        return "data";
    case zem::ZEMValueType::number:
        return "number";
    }
    return "?";
}

std::string lengthText(std::uint64_t length) {
    return length == zem::ZEMAttributeLengthAll ? "all" : std::to_string(length);
}

std::string portsText(const std::vector<std::int64_t>& ports) {
    std::string text;
    for (auto port : ports) {
        if (!text.empty())
            text += ',';
        text += std::to_string(port);
    }
    return text;
}

std::string plistText(const zem::PropertyList& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>)
                return v ? "YES" : "NO";
            else if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, zem::ByteBuffer>)
                return std::string(v.begin(), v.end()); // the stored protocol list is JSON text
            else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, double>)
                return std::to_string(v);
            else
                return "(collection)";
        },
        value.storage);
}

} // namespace

int printGlossary(const zem::PlugInHost& host, const Options& options) {
    const std::string& which = *options.glossary;
    const auto& s = host.structure();
    std::string out;
    if (which == "plugins") {
        out += "Title:       " + s.plugInTitle + "\n";
        out += "Description: " + s.plugInDescription + "\n";
        out += "Version:     " + s.plugInVersion + "\n";
        out += "Author:      " + s.plugInAuthor + "\n";
        out += "Bundle:      " + host.loaded().bundlePath + "\n";
        out += "Analyzer:    " + std::string(s.plugInAnalyzerClass->name) + "\n";
        out += "Analyzer attributes:\n";
        for (const auto& a : s.plugInAnalyzerAttributes)
            out += "  " + a.attributeKey + "\t" + a.attributeTitle + "\t" +
                   valueTypeName(a.attributeType) + "\toffset " +
                   std::to_string(a.attributeOffset) + "\tlength " + lengthText(a.attributeLength) +
                   "\n";
        out += "Columns:\n";
        for (const auto& c : s.plugInColumnKeyBindings) {
            auto option = [&](const std::string& key) {
                auto it = c.predicateOptions.find(key);
                return it != c.predicateOptions.end() &&
                               std::holds_alternative<std::string>(it->second)
                           ? std::get<std::string>(it->second)
                           : std::string();
            };
            out += "  " + c.columnTitle + "\t" + c.keyPath + "\tpredicate \"" +
                   option("NSDisplayNameBindingOption") +
                   "\": " + option("NSPredicateFormatBindingOption") + "\n";
        }
        out += "Protocols:\n";
        for (const auto& p : s.plugInTargetProtocols)
            out += "  " + p.protocolName + "\t" + portsText(p.protocolPorts) + "\t" +
                   std::string(zem::sourceProtocolName(p.sourceProtocol)) + "\n";
    } else if (which == "fields") {
        for (const auto& a : s.plugInAnalyzerAttributes)
            out += a.attributeKey + "\t" + a.attributeTitle + "\t" +
                   valueTypeName(a.attributeType) + "\n";
        for (auto extra : analysis::captureFieldNames())
            out += std::string(extra) + "\t(capture)\tstring\n";
        for (auto link : analysis::exchangeFieldNames())
            out += std::string(link) + "\t(exchange)\t" +
                   (link == "responseTime" ? "seconds" : "frame") + "\n";
        for (auto eap : analysis::eapFieldNames())
            out += std::string(eap) + "\t(EAP)\t" +
                   (eap == "eap.identity" || eap == "eap.desired_type" ? "string" : "number") +
                   "\n";
        for (auto tls : analysis::tlsFieldNames())
            out += std::string(tls) + (tls.starts_with("x509") ? "\t(X.509)\t" : "\t(TLS)\t") +
                   (analysis::isNumericTlsField(tls) ? "number" : "string") + "\n";
        for (auto auth : analysis::authenticationFieldNames())
            out += std::string(auth) + "\t(authentication)\tstring\n";
        for (auto check : analysis::checkFieldNames())
            out += std::string(check) + "\t(checks)\tstring\n";
        // tshark's names that -e and -Y take for ours; radius.NAME for every avp.NAME.
        for (const auto& alias : analysis::fieldAliases())
            out += std::string(alias.tsharkName) + "\t(tshark: " + std::string(alias.ourName) +
                   ")\tstring\n";
        // Every dictionary attribute: its field, type and vendor.
        const auto loaded = loadRunDictionary(options);
        for (const auto& attribute : loaded.dictionary.attributes()) {
            out += std::string(analysis::avpFieldPrefix) + attribute.fieldName.text() + "\t" +
                   std::string(analysis::avpTypeName(attribute.type)) + "\t";
            const auto* vendor = loaded.dictionary.vendor(attribute.path.vendor);
            out += attribute.path.vendor == 0 ? "-"
                   : vendor                   ? vendor->name
                                              : std::to_string(attribute.path.vendor);
            out += "\n";
        }
    } else if (which == "prefs") {
        auto& store = zem::ZEMUserDefaults::standardUserDefaults();
        out += "# settings file: " + store.path() + "\n";
        for (const auto& key : store.keys())
            if (auto value = store.objectForKey(key))
                out += key + ": " + zem::terminalSafe(plistText(*value)) + "\n";
    } else {
        return fail("-G wants plugins, fields or prefs, got \"" + which + "\"");
    }
    std::fwrite(out.data(), 1, out.size(), output());
    return 0;
}

zem::PropertyList checkedSettingValue(const zem::ZEMUserDefaults& store, const std::string& key,
                                      const std::string& text, const std::string& option) {
    auto refuse = [&](const std::string& why) {
        return zem::ZEMError(zem::ZEMError::Case::invalidArgument, option + ": " + why);
    };
    auto current = store.objectForKey(key);
    if (!current)
        throw refuse("unknown setting " + key + " (see -G prefs)");
    if (current->get<bool>()) {
        if (text != "YES" && text != "NO" && text != "true" && text != "false" && text != "1" &&
            text != "0")
            throw refuse(key + " wants YES or NO, got \"" + zem::terminalSafe(text) + "\"");
        return zem::propertyListBoolValue(zem::PropertyList(text));
    }
    if (current->get<zem::ByteBuffer>())
        throw refuse(key + " holds the protocol list; use ports set");
    // A colour keeps the colour's text form, so that the plug-in can read it back.
    if (const auto* held = current->get<std::string>();
        held && zem::ZEMColor::fromRawValue(*held) && !zem::ZEMColor::fromRawValue(text))
        throw refuse(key +
                     " wants a colour as red green blue [alpha] from 0 to 1, such as "
                     "\"1 0.5 0 1\", got \"" +
                     zem::terminalSafe(text) + "\"");
    return zem::PropertyList(text);
}

int runSettingsCommand(zem::PlugInHost&, const std::vector<std::string>& command) {
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    if (command.size() == 4 && command[1] == "set") {
        const auto& key = command[2];
        auto value = checkedSettingValue(store, key, command[3], "settings set");
        if (!store.setObject(key, value))
            return fail("settings set: could not write " + store.path());
        std::fprintf(output(), "%s set to %s; stored in %s\n", key.c_str(),
                     zem::terminalSafe(command[3]).c_str(), store.path().c_str());
        return 0;
    }
    if (command.size() == 2 && command[1] == "reset") {
        // The plug-in writes its defaults again at the next start.
        for (const auto& key : store.keys())
            if (!store.dataForKey(key))
                store.removeObjectForKey(key);
        return 0;
    }
    return fail("usage: settings set KEY VALUE | settings reset");
}

namespace {

std::shared_ptr<zem::ZEMProtocolTableView> openSettingsView(zem::PlugInHost& host) {
    auto* preferences = host.structure().plugInPreferencesInstance;
    if (!preferences)
        return nullptr;
    auto any = preferences->settingsView({[] { return zem::ZEMSize{}; }, [](zem::ZEMSize) {}});
    auto* view = std::any_cast<std::shared_ptr<zem::ZEMProtocolTableView>>(&any.view);
    if (!view)
        return nullptr;
    try {
        (*view)->decodeProtocolsFromUserDefaults();
    } catch (const std::exception&) {
        // The view shows the defaults in place of an unreadable list, as it does on screen.
    }
    return *view;
}

} // namespace

int runPortsCommand(zem::PlugInHost& host, const std::vector<std::string>& command) {
    auto view = openSettingsView(host);
    if (!view)
        return fail("ports: the plug-in offers no protocol settings");
    if (command.size() == 2 && command[1] == "reset") {
        view->resetProtocols();
        host.refresh();
        return 0;
    }
    if ((command.size() == 4 || command.size() == 5) && command[1] == "set") {
        const std::string& name = command[2];
        std::size_t row = 0;
        while (row < view->rowCount() && view->rowModel(row)->protocolName != name)
            ++row;
        if (row == view->rowCount())
            return fail("ports set: no protocol named " + name);
        if (command.size() == 5) {
            const std::string& transport = command[4];
            zem::kZEMSourceProtocols source;
            if (transport == "udp")
                source = zem::kZEMSourceProtocols::udp;
            else if (transport == "tcp")
                source = zem::kZEMSourceProtocols::tcp;
            else if (transport == "udp/tcp")
                source = zem::kZEMSourceProtocols::udpTcp;
            else
                return fail("ports set: transport must be udp, tcp or udp/tcp, got " + transport);
            view->chooseSource(row, static_cast<std::int64_t>(source));
        }
        // Each claimed port is a clause of the live capture's filter and a row of the
        // registry: a protocol claims at most this many.
        constexpr std::size_t mostPorts = 256;
        const auto ports =
            static_cast<std::size_t>(std::count(command[3].begin(), command[3].end(), ',') + 1);
        if (ports > mostPorts)
            return fail(std::string("ports set: a protocol claims at most ") +
                        std::to_string(mostPorts) + " ports; got " + std::to_string(ports));
        view->submitPorts(row, command[3]);
        const auto& state = view->rowModel(row)->errorModel.errorState();
        if (view->viewHasErrors() || !state.errorText.empty())
            return fail("ports set: " + (state.errorDetails
                                             ? std::string(state.errorDetails->what())
                                             : state.errorText));
        view->encodeProtocolPorts();
        host.refresh();
        std::fprintf(output(), "%s now claims %s; stored in %s\n", name.c_str(), command[3].c_str(),
                     zem::ZEMUserDefaults::standardUserDefaults().path().c_str());
        return 0;
    }
    return fail("usage: ports set NAME PORTS [udp|tcp|udp/tcp] | ports reset");
}

} // namespace app
