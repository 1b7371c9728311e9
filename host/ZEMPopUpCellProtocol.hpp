// ZEMPopUpCellProtocol: what the host's table widgets drive of a cell that shows a pop-up
// button beside a text field holding one port number. The cell decides; the widget
// draws its state (the field's text and colour, the pop-up's content) and forwards the
// user's editing, and gives up a field's focus only when the cell agrees.
#pragma once

#include "ZEMNetworkProtocol.hpp"
#include "ZEMObservable.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

enum class ZEMTextColor { label, red };

/// The state of a cell's text field.
struct ZEMTextFieldState {
    std::string stringValue;
    ZEMTextColor textColor = ZEMTextColor::label;
};

class ZEMPopUpCellProtocol {
public:
    virtual ~ZEMPopUpCellProtocol() = default;
    /// Announces every change of the content, the field or the colour.
    virtual ZEMObservable& changes() = 0;
    virtual std::string description() const = 0;

    // What the table connects when it lays the cell out.
    virtual void setPopUpButtonConnected(bool connected) = 0;
    virtual void setHasTextField(bool present) = 0;
    /// Records a binding the table made, with how to remove it. Names are the
    /// platform's: "content", "selectedObject" (pop-up button), "value" (text field).
    virtual void bind(const std::string& name, std::function<void()> unbind) = 0;
    virtual std::size_t bindingCount() const = 0;

    virtual const std::vector<std::string>& popUpContentArray() const = 0;
    virtual void setPopUpContentArray(std::vector<std::string> content) = 0;
    virtual std::optional<ZEMTextFieldState> textField() const = 0;
    virtual void setTextFieldString(std::string text) = 0;
    /// The row's protocol, or none.
    virtual void setObjectValue(std::shared_ptr<ZEMNetworkProtocol> row) = 0;
    virtual std::optional<std::uint16_t> oldValue() const = 0;

    /// The delegate's answers: may editing of `text` begin, may it end.
    virtual bool controlTextShouldBeginEditing(std::string_view text) = 0;
    virtual bool controlTextShouldEndEditing(std::string_view text) = 0;

    /// Before the table shows the cell for another row.
    virtual void prepareForReuse() = 0;
};

} // namespace zem
