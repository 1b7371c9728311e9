// PluginPortsSettingsView: the state and actions of the settings view the host shows
// for the plug-in: three switches and the packet colour (read and written straight in
// the user defaults), and the table of claimed protocols with name, ports and transport.
// Every row edit re-registers its protocol at once; "Ok" stores the table and closes,
// "Reset" brings back the defaults. Rendering is left to a renderer that subscribes to
// the view's changes.
#pragma once

#include "ZEMConstants.hpp"
#include "ZEMNetworkProtocol.hpp"
#include "ZEMObservable.hpp"
#include "ZEMPluginProtocols.hpp"
#include "ZEMUUID.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace radius {

class RADIUSPlugInController;

/// An observable wrapper of one table row.
template <typename Model> struct ModelWrapper {
    std::shared_ptr<Model> model;
    zem::ZEMUUID id = zem::ZEMUUID::random();
};

class PluginPortsSettingsView final : public zem::ZEMObservable, public zem::ZEMProtocolTableView {
public:
    using Row = ModelWrapper<zem::ZEMNetworkProtocol>;

    PluginPortsSettingsView(RADIUSPlugInController& viewModel, zem::ZEMSizeBinding tableSize);
    ~PluginPortsSettingsView();
    PluginPortsSettingsView(const PluginPortsSettingsView&) = delete;
    PluginPortsSettingsView& operator=(const PluginPortsSettingsView&) = delete;

    zem::ZEMObservable& changes() override { return *this; }

    // Persisted switches and colour.
    bool showSecrets() const override;
    void setShowSecrets(bool on) override;
    bool resolveIP() const override;
    void setResolveIP(bool on) override;
    bool useColor() const override;
    void setUseColor(bool on) override;
    zem::ZEMColor protocolColor() const override;
    void setProtocolColor(const zem::ZEMColor& color) override;

    // View state.
    const std::vector<Row>& portsDataSource() const { return portsDataSource_; }
    const std::vector<std::string>& defaultProtocolNames() const override {
        return defaultProtocolNames_;
    }
    std::optional<zem::ZEMUUID> selectedItem() const override { return selectedItem_; }
    void setSelectedItem(std::optional<zem::ZEMUUID> item) override;
    zem::ZEMUUID rowId(std::size_t row) const override {
        return row < portsDataSource_.size() ? portsDataSource_[row].id : zem::ZEMUUID();
    }
    std::string nameTitle(std::size_t row) const override {
        return row < portsDataSource_.size() ? nameTitle(*portsDataSource_[row].model) : "";
    }
    std::string sourceTitle(std::int64_t rawSource) const override {
        return sourceProtocolTitle(rawSource);
    }
    bool viewHasErrors() const override { return viewHasErrors_; }
    std::size_t rowCount() const override { return portsDataSource_.size(); }
    std::shared_ptr<zem::ZEMNetworkProtocol> rowModel(std::size_t row) const override {
        return row < portsDataSource_.size() ? portsDataSource_[row].model : nullptr;
    }
    /// The environment's dismiss action; the renderer installs it.
    std::function<void()> dismiss = [] {};
    void setDismiss(std::function<void()> action) override { dismiss = std::move(action); }
    /// Reports a measured size to the host's binding.
    void reportSize(zem::ZEMSize size) override;

    /// Fills the rows from the stored list; throws the decoder's error after falling back
    /// to the defaults.
    void decodeProtocolsFromUserDefaults() override;
    /// Return in a row's Ports field.
    void submitPorts(std::size_t row, const std::string& text) override;
    /// A name chosen in a row's Name menu.
    void chooseName(std::size_t row, const std::string& name) override;
    /// A transport chosen in a row's Source menu.
    void chooseSource(std::size_t row, zem::kZEMSourceProtocols source);
    void chooseSource(std::size_t row, std::int64_t rawSource) override {
        chooseSource(row, static_cast<zem::kZEMSourceProtocols>(rawSource));
    }
    /// "Ok".
    void encodeProtocolPorts() override;
    /// "Reset".
    void resetProtocols() override;

    /// "TCP", "UDP", "UDP/TCP" or "None" for a raw source value.
    static std::string sourceProtocolTitle(std::int64_t rawSource);
    /// The Name column's title for a row: its name, or "Select".
    static std::string nameTitle(const zem::ZEMNetworkProtocol& record);

private:
    void showRowError(std::size_t row, const std::exception& error);
    void setViewHasErrors(bool value);
    void setRows(const zem::ZEMNetworkProtocolList& records);
    bool anyRowWithoutPorts() const;
    void stopListening();

    RADIUSPlugInController& viewModel_;
    zem::ZEMSizeBinding tableSize_;
    std::optional<zem::ZEMUUID> selectedItem_;
    std::vector<std::string> defaultProtocolNames_{"RADIUS", "RADIUSACCT"};
    std::vector<Row> portsDataSource_;
    bool viewHasErrors_ = false;
    std::vector<std::size_t> errorObservers_; // one per row, in row order
    zem::ZEMColor fallbackColor_;
};

} // namespace radius
