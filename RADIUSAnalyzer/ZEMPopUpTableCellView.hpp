// ZEMPopUpTableCellView: a table cell with a pop-up button beside a text field holding
// one port number. It cleans its bindings and content when it is reused or destroyed,
// and, as its text field's delegate, refuses a port that another analyzer protocol
// already claims on the row's transport: the text turns red and the field keeps the
// focus. The host creates it by name from the class registry.
#pragma once

#include "ZEMPopUpCellProtocol.hpp"

#include <map>

namespace radius {

/// The port number a text gives: an optional sign and decimal digits up to 65535; with a
/// minus sign only zero. Nothing for any other text.
std::optional<std::uint16_t> portNumber(std::string_view text);

class ZEMPopUpTableCellView final : public zem::ZEMObservable, public zem::ZEMPopUpCellProtocol {
public:
    /// The name the host creates it by.
    static constexpr const char* className = "RADIUSAnalyzer.ZEMPopUpTableCellView";

    ZEMPopUpTableCellView() = default;
    ~ZEMPopUpTableCellView() override;
    ZEMPopUpTableCellView(const ZEMPopUpTableCellView&) = delete;
    ZEMPopUpTableCellView& operator=(const ZEMPopUpTableCellView&) = delete;

    zem::ZEMObservable& changes() override { return *this; }
    std::string description() const override { return "ZEMPopUpTableCellView"; }

    void setPopUpButtonConnected(bool connected) override { popUpBtn_ = connected; }
    void setHasTextField(bool present) override;
    void bind(const std::string& name, std::function<void()> unbind) override;
    std::size_t bindingCount() const override { return bindings_.size(); }

    const std::vector<std::string>& popUpContentArray() const override {
        return popUpContentArray_;
    }
    void setPopUpContentArray(std::vector<std::string> content) override;
    std::optional<zem::ZEMTextFieldState> textField() const override { return textField_; }
    void setTextFieldString(std::string text) override;
    void setObjectValue(std::shared_ptr<zem::ZEMNetworkProtocol> row) override {
        objectValue_ = std::move(row);
    }
    std::optional<std::uint16_t> oldValue() const override { return oldValue_; }

    bool controlTextShouldBeginEditing(std::string_view text) override;
    bool controlTextShouldEndEditing(std::string_view text) override;
    void prepareForReuse() override;

    void unbindControls();
    void clearContent();

private:
    void setTextColor(zem::ZEMTextColor color);

    bool popUpBtn_ = false;
    std::vector<std::string> popUpContentArray_;
    std::optional<std::uint16_t> oldValue_;
    std::optional<zem::ZEMTextFieldState> textField_;
    std::shared_ptr<zem::ZEMNetworkProtocol> objectValue_;
    std::map<std::string, std::function<void()>> bindings_;
};

} // namespace radius
