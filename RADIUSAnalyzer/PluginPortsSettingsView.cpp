#include "PluginPortsSettingsView.hpp"

#include "MainThread.hpp"
#include "NetworkPortsValidator.hpp"
#include "RADIUSPlugInController.hpp"
#include "RADIUSProtocolList.hpp"
#include "RADIUSSettingsDefaults.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "ZEMError.hpp"
#include "ZEMLog.hpp"
#include "ZEMNotificationCenter.hpp"
#include "ZEMPortsController.hpp"

namespace radius {

namespace {
constexpr std::string_view logFile = "RADIUSAnalyzer/PluginPortsSettingsView";
zem::ZEMUserDefaults& store() {
    return RADIUSPlugInController::store();
}
} // namespace

PluginPortsSettingsView::PluginPortsSettingsView(RADIUSPlugInController& viewModel,
                                                 zem::ZEMSizeBinding tableSize)
    : viewModel_(viewModel), tableSize_(std::move(tableSize)), fallbackColor_(randomColor()) {}

bool PluginPortsSettingsView::showSecrets() const {
    return store().boolForKey(kRADIUSSecretCredentials);
}
void PluginPortsSettingsView::setShowSecrets(bool on) {
    objectWillChange();
    store().setBool(kRADIUSSecretCredentials, on);
}
bool PluginPortsSettingsView::resolveIP() const {
    return store().boolForKey(kRADIUSResolveIP);
}
void PluginPortsSettingsView::setResolveIP(bool on) {
    objectWillChange();
    store().setBool(kRADIUSResolveIP, on);
}
bool PluginPortsSettingsView::useColor() const {
    return store().boolForKey(kRADIUSUsesColor);
}
void PluginPortsSettingsView::setUseColor(bool on) {
    objectWillChange();
    store().setBool(kRADIUSUsesColor, on);
}
zem::ZEMColor PluginPortsSettingsView::protocolColor() const {
    if (auto text = store().stringForKey(kRADIUSColor))
        if (auto color = zem::ZEMColor::fromRawValue(*text))
            return *color;
    return fallbackColor_;
}
void PluginPortsSettingsView::setProtocolColor(const zem::ZEMColor& color) {
    objectWillChange();
    store().setObject(kRADIUSColor, color.rawValue());
}

void PluginPortsSettingsView::setSelectedItem(std::optional<zem::ZEMUUID> item) {
    objectWillChange();
    selectedItem_ = item;
}

void PluginPortsSettingsView::reportSize(zem::ZEMSize size) {
    if (tableSize_.set)
        tableSize_.set(size);
    zem::zemLog({"size " + std::to_string(size.width) + " x " + std::to_string(size.height)},
                logFile, "body", __LINE__);
}

void PluginPortsSettingsView::setViewHasErrors(bool value) {
    objectWillChange();
    viewHasErrors_ = value;
}

PluginPortsSettingsView::~PluginPortsSettingsView() {
    stopListening();
}

void PluginPortsSettingsView::stopListening() {
    for (std::size_t i = 0; i < portsDataSource_.size() && i < errorObservers_.size(); ++i)
        portsDataSource_[i].model->errorModel.removeErrorStateObserver(errorObservers_[i]);
    errorObservers_.clear();
}

void PluginPortsSettingsView::setRows(const zem::ZEMNetworkProtocolList& records) {
    objectWillChange();
    stopListening();
    portsDataSource_.clear();
    for (const auto& record : records) {
        portsDataSource_.push_back(Row{record});
        // The Ports cell listens to the row's error state: details mean "Ok" is disabled.
        errorObservers_.push_back(
            record->errorModel.onErrorStateChange([this](const zem::ErrorState& state) {
                setViewHasErrors(state.errorDetails.has_value());
            }));
    }
}

bool PluginPortsSettingsView::anyRowWithoutPorts() const {
    for (const auto& row : portsDataSource_)
        if (row.model->protocolPorts.empty())
            return true;
    return false;
}

void PluginPortsSettingsView::decodeProtocolsFromUserDefaults() {
    zem::requireMainThread("decodeProtocolsFromUserDefaults()");
    auto data = store().dataForKey(kRADIUSPlugInNetworkProtocol);
    if (!data) {
        zem::ZEMNetworkProtocolList current;
        for (const auto& row : portsDataSource_)
            current.push_back(row.model);
        storeProtocols(store(), current, logFile, "decodeProtocolsFromUserDefaults()");
        return;
    }
    zem::ZEMNetworkProtocolList records;
    try {
        records = zem::ZEMNetworkProtocol::decodeList(
            std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
    } catch (const std::exception&) {
        setRows(defaultNetworkProtocols());
        for (const auto& row : portsDataSource_)
            row.model->setupBinding();
        throw;
    }
    // A record goes first only when both its name and its ports sort before the other's.
    // That is no strict weak ordering, so sort by insertion, which is stable and always ends.
    auto before = [](const zem::ZEMNetworkProtocol& a, const zem::ZEMNetworkProtocol& b) {
        return a.protocolName < b.protocolName && a.protocolPorts < b.protocolPorts;
    };
    for (std::size_t i = 1; i < records.size(); ++i)
        for (std::size_t j = i; j > 0 && before(*records[j], *records[j - 1]); --j)
            std::swap(records[j], records[j - 1]);
    for (const auto& record : records)
        record->portController = &zem::ZEMPortsController::sharedPortsController();
    setRows(records);
    for (const auto& row : portsDataSource_)
        row.model->setupBinding();
}

void PluginPortsSettingsView::showRowError(std::size_t row, const std::exception& error) {
    auto& model = *portsDataSource_[row].model;
    model.errorModel.objectWillChange();
    zem::ErrorState state{"Error", std::nullopt};
    if (const auto* hostError = dynamic_cast<const zem::ZEMError*>(&error))
        state.errorDetails = *hostError;
    model.errorModel.setErrorState(std::move(state));
}

void PluginPortsSettingsView::submitPorts(std::size_t row, const std::string& text) {
    zem::requireMainThread("submitPorts");
    if (row >= portsDataSource_.size())
        return;
    auto& model = *portsDataSource_[row].model;
    if (text.empty()) {
        model.errorModel.objectWillChange();
        model.errorModel.setErrorState({"Error", zem::ZEMError::atPosition(9, "no ports given")});
        setViewHasErrors(true);
        return;
    }
    try {
        model.protocolPorts = zem::NetworkPortsValidator::validate(model, text);
    } catch (const std::exception& error) {
        showRowError(row, error);
        setViewHasErrors(true);
        return;
    }
    try {
        viewModel_.updateRegisteredProtocol(model, model);
    } catch (const std::exception& error) {
        showRowError(row, error);
        setViewHasErrors(true);
        return;
    }
    setViewHasErrors(false);
}

void PluginPortsSettingsView::chooseName(std::size_t row, const std::string& name) {
    zem::requireMainThread("chooseName");
    if (row >= portsDataSource_.size())
        return;
    auto& model = *portsDataSource_[row].model;
    objectWillChange();
    model.protocolName = name;
    try {
        viewModel_.updateRegisteredProtocol(model, model);
    } catch (const std::exception& error) {
        showRowError(row, error);
    }
}

void PluginPortsSettingsView::chooseSource(std::size_t row, zem::kZEMSourceProtocols source) {
    zem::requireMainThread("chooseSource");
    if (row >= portsDataSource_.size())
        return;
    auto& model = *portsDataSource_[row].model;
    objectWillChange();
    model.sourceProtocol = static_cast<std::int64_t>(source);
    try {
        viewModel_.updateRegisteredProtocol(model, model);
    } catch (const std::exception& error) {
        showRowError(row, error);
    }
}

void PluginPortsSettingsView::encodeProtocolPorts() {
    zem::requireMainThread("encodeProtocolPorts()");
    if (anyRowWithoutPorts())
        return;
    zem::ZEMNetworkProtocolList list;
    bool failed = false;
    for (const auto& row : portsDataSource_) {
        auto& model = *row.model;
        try {
            zem::ZEMNetworkProtocol probe(zem::ZEMUUID::random(), model.protocolName,
                                          model.protocolPorts, model.sourceProtocol, "", "", 0);
            model.protocolPorts = zem::NetworkPortsValidator::validate(probe, std::nullopt);
            viewModel_.updateRegisteredProtocol(model, model);
        } catch (const std::exception& error) {
            zem::zemLog({error.what()}, logFile, "encodeProtocolPorts()", __LINE__);
            failed = true;
            break;
        }
        list.push_back(row.model);
    }
    // After a failure nothing is stored: a shorter list would drop the later rows.
    if (!failed && !list.empty())
        storeProtocols(store(), list, logFile, "encodeProtocolPorts()");
    auto& center = zem::ZEMNotificationCenter::defaultCenter();
    center.post(rawValue(zem::konstantAtPosition(9)));
    center.post(rawValue(zem::konstantAtPosition(3)));
    dismiss();
}

void PluginPortsSettingsView::resetProtocols() {
    zem::requireMainThread("resetProtocols");
    if (anyRowWithoutPorts())
        return;
    const auto& defaults = defaultNetworkProtocols();
    for (std::size_t row = 0; row < portsDataSource_.size(); ++row) {
        auto& model = *portsDataSource_[row].model;
        auto match = std::find_if(defaults.begin(), defaults.end(), [&](const auto& d) {
            return d->protocolName == model.protocolName;
        });
        if (match == defaults.end())
            continue; // a row written elsewhere under a name that has no default
        try {
            viewModel_.updateRegisteredProtocol(model, **match);
        } catch (const std::exception& error) {
            showRowError(row, error);
        }
    }
    setRows({});
    setRows(defaults);
    registerDefaultSettings(store());
    encodeProtocolPorts();
}

std::string PluginPortsSettingsView::sourceProtocolTitle(std::int64_t rawSource) {
    auto source = zem::sourceProtocolFromRaw(rawSource);
    if (source == zem::sourceProtocolAtPosition(1))
        return "TCP";
    if (source == zem::sourceProtocolAtPosition(2))
        return "UDP";
    if (source == zem::sourceProtocolAtPosition(3))
        return "UDP/TCP";
    return "None";
}

std::string PluginPortsSettingsView::nameTitle(const zem::ZEMNetworkProtocol& record) {
    return record.protocolName.empty() ? "Select" : record.protocolName;
}

} // namespace radius
