#include "RADIUSPlugInController.hpp"

#include "MainThread.hpp"
#include "PluginPortsSettingsView.hpp"
#include "RADIUSLocalization.hpp"
#include "RADIUSProtocolAnalyzer.hpp"
#include "RADIUSProtocolList.hpp"
#include "RADIUSSettingsDefaults.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "ZEMError.hpp"
#include "ZEMLog.hpp"
#include "ZEMPortsController.hpp"

namespace radius {

using zem::ZEMError;
using zem::ZEMValueType;

namespace {

constexpr std::string_view logFile = "RADIUSAnalyzer/RADIUSPlugInController";
constexpr std::string_view authorKey = "Quillfern";

std::string text(std::string_view key) {
    return std::string(localizedRADIUSString(key));
}

struct ColumnRow {
    std::string_view title;
    std::string_view keyPath;
    std::string_view predicateName;
    std::string_view predicateFormat;
    ZEMValueType valueType;
};

constexpr ColumnRow columnRows[] = {
    {"RADIUS Code", "radiusCodeResolved", "RADIUS Code contains",
     "radiusCodeResolved CONTAINS[c] $value", ZEMValueType::string},
    {"RADIUS Identifier", "radiusIdentifier", "RADIUS Identifier contains",
     "radiusIdentifier.description CONTAINS $value", ZEMValueType::number},
    {"RADIUS Authenticator", "radiusAuthenticator", "RADIUS Authenticator contains",
     "radiusAuthenticator CONTAINS[c] $value", ZEMValueType::string},
    {"RADIUS AVPs", "radiusAVPString", "RADIUS AVPs contains", "radiusAVPString CONTAINS[c] $value",
     ZEMValueType::string},
};

struct AttributeRow {
    std::string_view title;
    std::string_view key;
    ZEMValueType type;
    std::uint64_t offset;
    std::uint64_t length;
};

constexpr AttributeRow attributeRows[] = {
    {"RADIUS Size", "radiusSize", ZEMValueType::uint16, 2, 2},
    {"RADIUS Code", "radiusCode", ZEMValueType::uint8, 0, 1},
    {"RADIUS CodeResolved", "radiusCodeResolved", ZEMValueType::string, 0, 1},
    {"RADIUS Identifier", "radiusIdentifier", ZEMValueType::uint8, 1, 1},
    {"RADIUS Authenticator", "radiusAuthenticator", ZEMValueType::string, 4, 16},
    {"RADIUS AVPData", "radiusAVPData", ZEMValueType::data, 0, zem::ZEMAttributeLengthAll},
    {"RADIUS AVPString", "radiusAVPString", ZEMValueType::string, 0, zem::ZEMAttributeLengthAll},
    {"RADIUS ProtocolInfo", "radiusProtocolInfo", ZEMValueType::string, 0,
     zem::ZEMAttributeLengthAll},
};

std::vector<zem::ZEMPlugInColumn> buildColumns() {
    const std::string keyPathOption(rawValue(zem::konstantAtPosition(1)));
    const std::string displayNameOption(rawValue(zem::konstantAtPosition(0)));
    const std::string valueTypeOption(rawValue(zem::konstantAtPosition(2)));
    std::vector<zem::ZEMPlugInColumn> columns;
    for (const auto& row : columnRows) {
        zem::ZEMPlugInColumn column;
        column.columnTitle = text(row.title);
        column.keyPath = row.keyPath;
        column.predicateOptions = {
            {"NSDisplayNameBindingOption", text(row.predicateName)},
            {"NSPredicateFormatBindingOption", std::string(row.predicateFormat)},
            {keyPathOption, std::string(row.keyPath)},
            {displayNameOption, text(row.title)},
            {valueTypeOption, row.valueType},
        };
        columns.push_back(std::move(column));
    }
    return columns;
}

std::vector<zem::ZEMPlugInAnalyzerAttribute> buildAttributes() {
    std::vector<zem::ZEMPlugInAnalyzerAttribute> attributes;
    for (const auto& row : attributeRows)
        attributes.push_back({&RADIUSProtocolAnalyzer::analyzerClass, text(row.title),
                              std::string(row.key), row.type, row.offset, row.length});
    return attributes;
}

} // namespace

RADIUSPlugInController::RADIUSPlugInController()
    : RADIUSPlugInController(zem::ZEMPlugInsController::sharedManager()) {}

RADIUSPlugInController::RADIUSPlugInController(zem::ZEMPlugInsController&) {
    zem::requireMainThread("RADIUSPlugInController.init()");
    registerDefaultSettings(store());
    setupPlugIn();
}

std::string RADIUSPlugInController::pluginTitle() {
    return text("RADIUS Analyzer");
}
std::string RADIUSPlugInController::pluginDescription() {
    return text("RADIUS Protocol Analyzer");
}
std::string RADIUSPlugInController::pluginAuthor() {
    return text(authorKey);
}

std::string RADIUSPlugInController::pluginVersion() {
    const auto& bundle = radiusBundle();
    auto build = bundle.infoString("CFBundleVersion");
    auto version = bundle.infoString("CFBundleShortVersionString");
    if (!build || !version)
        return "0";
    return *version + " (" + *build + ")";
}

void RADIUSPlugInController::setPluginProtocolsAndPorts(zem::ZEMNetworkProtocolList list) {
    objectWillChange();
    pluginProtocolsAndPorts_ = std::move(list);
}

void RADIUSPlugInController::setPlugInStructure(std::optional<zem::ZEMPlugInStructure> structure) {
    objectWillChange();
    plugInStructure_ = std::move(structure);
}

zem::ZEMNetworkProtocolList RADIUSPlugInController::startupProtocols() {
    zem::ZEMNetworkProtocolList stored;
    try {
        stored = loadStoredProtocols(store());
    } catch (const std::exception&) {
        // An undecodable list is replaced by the defaults below.
    }
    if (!stored.empty())
        return stored;
    storeProtocols(store(), defaultNetworkProtocols(), logFile, "setupPlugIn()");
    return defaultNetworkProtocols();
}

bool RADIUSPlugInController::setupPlugIn() {
    zem::requireMainThread("setupPlugIn()");
    const zem::ZEMBundle& bundle = radiusBundle();
    auto columns = buildColumns();
    auto protocols = startupProtocols();
    auto attributes = buildAttributes();

    setPluginProtocolsAndPorts(std::move(protocols));
    std::vector<zem::ZEMPlugInNetworkProtocol> targets;
    for (const auto& record : pluginProtocolsAndPorts_)
        targets.push_back(plugInNetworkProtocol(*record));

    zem::ZEMPlugInStructure structure;
    structure.id = zem::ZEMUUID::random();
    structure.plugInTitle = pluginTitle();
    structure.plugInDescription = pluginDescription();
    structure.plugInVersion = pluginVersion();
    structure.plugInAuthor = pluginAuthor();
    structure.plugInPrincipalClass = "RADIUSPlugInController";
    structure.plugInPreferencesInstance = this;
    structure.plugInAnalyzerClass = &RADIUSProtocolAnalyzer::analyzerClass;
    structure.plugInAnalyzerAttributes = std::move(attributes);
    structure.plugInTargetProtocols = std::move(targets);
    structure.plugInColumnKeyBindings = std::move(columns);
    setPlugInStructure(structure);
    return zem::ZEMPlugInsController::sharedManager().registerPlugIn(*plugInStructure_, bundle);
}

void RADIUSPlugInController::updateRegisteredProtocol(zem::ZEMNetworkProtocol& previous,
                                                      zem::ZEMNetworkProtocol& current) {
    zem::requireMainThread("updateRegisteredProtocol(previous:current:)");
    if (current.protocolPorts.empty())
        throw ZEMError::atPosition(3, "the protocol " + current.protocolName + " has no ports");

    const zem::ZEMPlugInNetworkProtocol old = lastRegisteredNetworkProtocol(previous);
    if (!plugInStructure_)
        return;

    objectWillChange();
    plugInStructure_->removeNetworkProtocol(old);
    bool removed = zem::ZEMPortsController::sharedPortsController().removeAnalyzerProtocolFrom(old);
    auto& registry = zem::ZEMPlugInsController::sharedManager();
    bool registered = registry.registerPlugIn(*plugInStructure_, radiusBundle());
    if (registered && !removed)
        throw ZEMError::atPosition(2, "the ports of " + old.protocolName + " were not registered");
    if (!plugInStructure_)
        throw ZEMError::atPosition(3, "the plug-in is no longer registered");

    objectWillChange();
    plugInStructure_->appendNetworkProtocol(plugInNetworkProtocol(current));
    registry.registerPlugIn(*plugInStructure_, radiusBundle());
    current.commitRegisteredState();
}

zem::ZEMAnyView RADIUSPlugInController::settingsView(zem::ZEMSizeBinding size) {
    zem::requireMainThread("settingsView(_:)");
    std::shared_ptr<zem::ZEMProtocolTableView> view =
        std::make_shared<PluginPortsSettingsView>(*this, std::move(size));
    return zem::ZEMAnyView{view};
}

bool RADIUSPlugInController::usesColor() {
    zem::requireMainThread("usesColor()");
    return store().boolForKey(kRADIUSUsesColor);
}

zem::ZEMColor RADIUSPlugInController::protocolColor() {
    zem::requireMainThread("protocolColor()");
    if (auto text = store().stringForKey(kRADIUSColor))
        if (auto color = zem::ZEMColor::fromRawValue(*text))
            return *color;
    auto color = randomColor();
    store().setObject(kRADIUSColor, color.rawValue());
    return color;
}

const zem::ZEMPrincipalClass radiusPrincipalClass = {
    "RADIUSPlugInController",
    [](zem::ZEMPlugInsController& controller)
        -> std::unique_ptr<zem::ZEMPluginPrincipalClassProtocol> {
        return std::make_unique<RADIUSPlugInController>(controller);
    },
    &RADIUSPlugInController::pluginTitle,
    &RADIUSPlugInController::pluginDescription,
    &RADIUSPlugInController::pluginVersion,
    &RADIUSPlugInController::pluginAuthor,
};

} // namespace radius
