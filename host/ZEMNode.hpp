// ZEMNode: one labelled node of the packet-detail tree.
//
// A node has a title, an optional value (text, 8-bit or 32-bit unsigned number, or
// octets), the location and length of what it describes in the message, and ordered
// children that it owns. The root is handed to the host, which owns the whole tree.
//
//   auto header = ZEMNode::nodeWithName("RADIUS-Header");
//   header->addChild(ZEMNode::nodeWithName("Length", std::string("20 bytes")));
#pragma once

#include "ByteView.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zem {

/// A node value: absent, text, unsigned 8-bit, unsigned 32-bit, or octets.
using ZEMNodeValue =
    std::variant<std::monostate, std::string, std::uint8_t, std::uint32_t, ByteBuffer>;

/// The node interface that the plug-in builds trees against.
class ZEMNodeProtocol {
public:
    virtual ~ZEMNodeProtocol() = default;
    virtual void addChild(std::unique_ptr<ZEMNodeProtocol> child) = 0;
    virtual const std::string& title() const = 0;
    virtual const ZEMNodeValue& value() const = 0;
    virtual const std::vector<std::unique_ptr<ZEMNodeProtocol>>& children() const = 0;
    virtual std::optional<std::uint16_t> headerLocation() const = 0;
    virtual std::optional<std::uint16_t> headerLength() const = 0;
    virtual void setHeaderLocation(std::uint16_t location) = 0;
    virtual void setHeaderLength(std::uint16_t length) = 0;
    /// Called when the node is added under `parent`.
    virtual void wasAdded(ZEMNodeProtocol* parent) = 0;
};

class ZEMNode final : public ZEMNodeProtocol {
public:
    explicit ZEMNode(std::string title, ZEMNodeValue value = {})
        : title_(std::move(title)), value_(std::move(value)) {}

    static std::unique_ptr<ZEMNode> nodeWithName(std::string title) {
        return std::make_unique<ZEMNode>(std::move(title));
    }
    static std::unique_ptr<ZEMNode> nodeWithName(std::string title, ZEMNodeValue value) {
        return std::make_unique<ZEMNode>(std::move(title), std::move(value));
    }

    /// Appends a child; a ZEMNode child learns its parent unless one was set already.
    void addChild(std::unique_ptr<ZEMNodeProtocol> child) override;
    const std::string& title() const override { return title_; }
    const ZEMNodeValue& value() const override { return value_; }
    const std::vector<std::unique_ptr<ZEMNodeProtocol>>& children() const override {
        return children_;
    }
    std::optional<std::uint16_t> headerLocation() const override { return headerLocation_; }
    std::optional<std::uint16_t> headerLength() const override { return headerLength_; }
    void setHeaderLocation(std::uint16_t location) override { headerLocation_ = location; }
    void setHeaderLength(std::uint16_t length) override { headerLength_ = length; }

    void wasAdded(ZEMNodeProtocol* parent) override {
        if (parent_ == nullptr)
            parent_ = parent;
    }

    /// A non-owning back link; the parent owns this node once it is added.
    ZEMNodeProtocol* parent() const { return parent_; }
    void setParent(ZEMNodeProtocol* parent) { parent_ = parent; }

private:
    std::string title_;
    ZEMNodeValue value_;
    std::vector<std::unique_ptr<ZEMNodeProtocol>> children_;
    std::optional<std::uint16_t> headerLocation_;
    std::optional<std::uint16_t> headerLength_;
    ZEMNodeProtocol* parent_ = nullptr;
};

} // namespace zem
