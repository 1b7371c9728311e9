// The protocols a plug-in's principal class adopts: creation by the host, the class
// functions naming the plug-in, and the preference answers.
#pragma once

#include "ZEMColor.hpp"
#include "ZEMObservable.hpp"
#include "ZEMUUID.hpp"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zem {

class ZEMPlugInsController;
class ZEMNetworkProtocol;

/// A size the host owns, read and written through a two-way binding.
struct ZEMSize {
    double width = 0, height = 0;
};
struct ZEMSizeBinding {
    std::function<ZEMSize()> get;
    std::function<void(ZEMSize)> set;
};

/// A type-erased view: the host renders what it recognises inside.
struct ZEMAnyView {
    std::any view;
};

/// What the host's renderers (the desktop window, the command line) know of a settings
/// view that edits a table of claimed protocols. A ZEMAnyView holds it as a
/// std::shared_ptr<ZEMProtocolTableView>. Renderers subscribe to changes() and draw the
/// state again after each change is announced.
class ZEMProtocolTableView {
public:
    virtual ~ZEMProtocolTableView() = default;
    virtual ZEMObservable& changes() = 0;

    // The switches and the packet colour, read and written straight in the store.
    virtual bool showSecrets() const = 0;
    virtual void setShowSecrets(bool on) = 0;
    virtual bool resolveIP() const = 0;
    virtual void setResolveIP(bool on) = 0;
    virtual bool useColor() const = 0;
    virtual void setUseColor(bool on) = 0;
    virtual ZEMColor protocolColor() const = 0;
    virtual void setProtocolColor(const ZEMColor& color) = 0;

    /// Fills the rows from the stored list; may throw the decoder's error.
    virtual void decodeProtocolsFromUserDefaults() = 0;
    virtual std::size_t rowCount() const = 0;
    virtual std::shared_ptr<ZEMNetworkProtocol> rowModel(std::size_t row) const = 0;
    virtual ZEMUUID rowId(std::size_t row) const = 0;
    virtual std::optional<ZEMUUID> selectedItem() const = 0;
    virtual void setSelectedItem(std::optional<ZEMUUID> item) = 0;
    /// The names offered in a row's Name menu.
    virtual const std::vector<std::string>& defaultProtocolNames() const = 0;
    /// The Name column's title for a row, and the Source column's for a raw source value.
    virtual std::string nameTitle(std::size_t row) const = 0;
    virtual std::string sourceTitle(std::int64_t rawSource) const = 0;

    virtual void submitPorts(std::size_t row, const std::string& text) = 0;
    virtual void chooseName(std::size_t row, const std::string& name) = 0;
    virtual void chooseSource(std::size_t row, std::int64_t rawSource) = 0;
    virtual void encodeProtocolPorts() = 0;
    virtual void resetProtocols() = 0;
    virtual bool viewHasErrors() const = 0;

    /// How the renderer closes the view ("Ok", "Reset").
    virtual void setDismiss(std::function<void()> dismiss) = 0;
    /// The renderer's measured size of the view's content.
    virtual void reportSize(ZEMSize size) = 0;
};

class ZEMPluginPreferencesProtocol {
public:
    virtual ~ZEMPluginPreferencesProtocol() = default;
    virtual ZEMAnyView settingsView(ZEMSizeBinding size) = 0;
    virtual std::optional<ZEMAnyView> preferencesSheet() = 0;
    virtual bool usesColor() = 0;
    virtual ZEMColor protocolColor() = 0;
};

class ZEMPluginPrincipalClassProtocol {
public:
    virtual ~ZEMPluginPrincipalClassProtocol() = default;
};

/// The principal "class" object that a bundle exports: its initialisers and class
/// functions. The symbol is named ZEMPrincipalClass_<NSPrincipalClass>.
struct ZEMPrincipalClass {
    const char* name;
    std::unique_ptr<ZEMPluginPrincipalClassProtocol> (*initWithPlugInsController)(
        ZEMPlugInsController&);
    std::string (*pluginTitle)();
    std::string (*pluginDescription)();
    std::string (*pluginVersion)();
    std::string (*pluginAuthor)();
};

} // namespace zem
