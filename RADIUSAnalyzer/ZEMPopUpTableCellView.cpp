#include "ZEMPopUpTableCellView.hpp"

#include "MainThread.hpp"
#include "ZEMPortsController.hpp"

#include <charconv>
#include <limits>

namespace radius {

std::optional<std::uint16_t> portNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    // Leading zeros may make the text long; the value is what counts.
    const auto digits = text.find_first_not_of('0');
    if (digits == std::string_view::npos)
        return std::uint16_t{0};
    text.remove_prefix(digits);
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 65535 || negative)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

ZEMPopUpTableCellView::~ZEMPopUpTableCellView() {
    zem::requireMainThread("dealloc");
    unbindControls();
    clearContent();
}

void ZEMPopUpTableCellView::setHasTextField(bool present) {
    objectWillChange();
    if (!present)
        textField_.reset();
    else if (!textField_)
        textField_.emplace();
}

void ZEMPopUpTableCellView::bind(const std::string& name, std::function<void()> unbind) {
    bindings_[name] = std::move(unbind);
}

void ZEMPopUpTableCellView::setPopUpContentArray(std::vector<std::string> content) {
    objectWillChange();
    popUpContentArray_ = std::move(content);
}

void ZEMPopUpTableCellView::setTextFieldString(std::string text) {
    if (!textField_)
        return;
    objectWillChange();
    textField_->stringValue = std::move(text);
}

void ZEMPopUpTableCellView::setTextColor(zem::ZEMTextColor color) {
    if (!textField_)
        return;
    objectWillChange();
    textField_->textColor = color;
}

bool ZEMPopUpTableCellView::controlTextShouldBeginEditing(std::string_view text) {
    zem::requireMainThread("control(_:textShouldBeginEditing:)");
    oldValue_ = portNumber(text);
    return true;
}

bool ZEMPopUpTableCellView::controlTextShouldEndEditing(std::string_view text) {
    zem::requireMainThread("control(_:textShouldEndEditing:)");
    const auto port = portNumber(text);
    if (port == oldValue_) {
        setTextColor(zem::ZEMTextColor::label);
        return true;
    }
    if (!port || !objectValue_)
        return false;
    // The ports controller takes the transport as a signed octet; others cannot be asked.
    const auto source = objectValue_->sourceProtocol;
    if (source < std::numeric_limits<std::int8_t>::min() ||
        source > std::numeric_limits<std::int8_t>::max())
        return false;
    const auto claimant = zem::ZEMPortsController::sharedPortsController().analyzerProtocolForPort(
        *port, static_cast<zem::kZEMSourceProtocols>(source));
    setTextColor(claimant ? zem::ZEMTextColor::red : zem::ZEMTextColor::label);
    return !claimant;
}

void ZEMPopUpTableCellView::unbindControls() {
    for (const char* name : {"content", "selectedObject"}) {
        auto found = bindings_.find(name);
        if (popUpBtn_ && found != bindings_.end()) {
            if (found->second)
                found->second();
            bindings_.erase(found);
        }
    }
    auto value = bindings_.find("value");
    if (textField_ && value != bindings_.end()) {
        if (value->second)
            value->second();
        bindings_.erase(value);
    }
}

void ZEMPopUpTableCellView::clearContent() {
    setPopUpContentArray({});
    if (textField_) {
        objectWillChange();
        textField_->stringValue.clear();
    }
    oldValue_.reset();
}

void ZEMPopUpTableCellView::prepareForReuse() {
    unbindControls();
    clearContent();
}

} // namespace radius
