#include "ZEMPopUpTableCellView.hpp"

#include <gtest/gtest.h>

TEST(ZEMPopUpTableCellView, PortTexts) {
    struct Case {
        const char* text;
        std::optional<std::uint16_t> port;
    } cases[] = {
        {"80", 80},
        {"+80", 80},
        {"-0", 0},
        {"0", 0},
        {"65535", 65535},
        {"065535", 65535},
        {"-1", std::nullopt},
        {"65536", std::nullopt},
        {"70000", std::nullopt},
        {"12a", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {" 80", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(radius::portNumber(c.text), c.port) << c.text;
}

TEST(ZEMPopUpTableCellView, ReuseUnbindsAndClears) {
    radius::ZEMPopUpTableCellView cell;
    EXPECT_EQ(cell.description(), "ZEMPopUpTableCellView");
    int unbound = 0;
    cell.bind("value", [&] { ++unbound; });
    cell.bind("content", [&] { ++unbound; });
    cell.bind("selectedObject", [&] { ++unbound; });
    // Without an outlet or a field, nothing is unbound.
    cell.prepareForReuse();
    EXPECT_EQ(unbound, 0);
    cell.setPopUpButtonConnected(true);
    cell.setHasTextField(true);
    cell.setPopUpContentArray({"RADIUS"});
    cell.setTextFieldString("1812");
    EXPECT_TRUE(cell.controlTextShouldBeginEditing("1812"));
    EXPECT_EQ(cell.oldValue(), 1812);
    // Unchanged ends at once, without asking who claims the port.
    EXPECT_TRUE(cell.controlTextShouldEndEditing("+1812"));
    // No row: a changed port cannot be checked.
    EXPECT_FALSE(cell.controlTextShouldEndEditing("1700"));
    cell.prepareForReuse();
    EXPECT_EQ(unbound, 3);
    EXPECT_EQ(cell.bindingCount(), 0u);
    EXPECT_TRUE(cell.popUpContentArray().empty());
    EXPECT_EQ(cell.textField()->stringValue, "");
    EXPECT_EQ(cell.oldValue(), std::nullopt);
    // An empty field that stays empty ends editing.
    EXPECT_TRUE(cell.controlTextShouldBeginEditing(""));
    EXPECT_TRUE(cell.controlTextShouldEndEditing(""));
}
