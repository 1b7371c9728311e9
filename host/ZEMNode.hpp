// ZEMNode: one labelled node of the packet-detail tree.
//
// A node has a title, an optional value (text, 8-bit or 32-bit unsigned number, or
// octets), the location and length of what it describes in the message, and ordered
// children that it owns. The root is handed to the host, which owns the whole tree.
//
// Most titles and many values are labels that a plug-in loads once and keeps ("Length",
// "AVP 1 - User-Name"); a node may refer to such lasting text instead of copying it,
// which spares a tree of hundreds of nodes as many copies.
//
//   auto header = ZEMNode::nodeWithName("RADIUS-Header");
//   header->addChild(ZEMNode::nodeWithName("Length", std::string("20 bytes")));
//   header->addChild(ZEMNode::nodeWithName(ZEMNodeText::lasting(label), ...));
#pragma once

#include "ByteView.hpp"

#include <concepts>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace zem {

/// A text that outlives every tree (a plug-in's label, a dictionary's field name), looked
/// at once, when it is made, for octets that a printer escapes: nodes and JSON keys that
/// refer to it are written without looking at it again.
class ZEMNodeLabel {
public:
    ZEMNodeLabel() = default;
    explicit ZEMNodeLabel(std::string text);
    const std::string& text() const { return text_; }
    /// Printable ASCII without a quotation mark or a backslash: written as it is, both
    /// as terminal text and inside a JSON string.
    bool isPlain() const { return plain_; }

private:
    std::string text_;
    bool plain_ = true;
};

/// A node's text: its own, or a view of text that outlives every tree.
class ZEMNodeText {
public:
    ZEMNodeText() = default;
    ZEMNodeText(std::string&& text) : owned_(std::move(text)) {}
    ZEMNodeText(const std::string& text) : owned_(text) {}
    ZEMNodeText(const char* text) : owned_(text) {}
    /// Refers to `text`, which must stay unchanged for as long as any tree exists.
    static ZEMNodeText lasting(std::string_view text) {
        ZEMNodeText result;
        result.lasting_ = text;
        return result;
    }
    /// Refers to the label's text, and knows whether it is plain.
    static ZEMNodeText lasting(const ZEMNodeLabel& label) {
        ZEMNodeText result;
        result.lasting_ = label.text();
        result.plain_ = label.isPlain();
        return result;
    }
    // A text passes through several hands on its way into a node. A lasting one leaves its
    // empty string behind: moving that string costs a call to copy its terminator, ten of
    // them for each attribute of a tree.
    ZEMNodeText(const ZEMNodeText&) = default;
    ZEMNodeText(ZEMNodeText&& other) noexcept
        : owned_(other.lasting_.data() ? std::string() : std::move(other.owned_)),
          lasting_(other.lasting_), plain_(other.plain_) {}
    ZEMNodeText& operator=(const ZEMNodeText&) = default;
    ZEMNodeText& operator=(ZEMNodeText&& other) noexcept {
        lasting_ = other.lasting_;
        plain_ = other.plain_;
        if (lasting_.data())
            owned_.clear();
        else
            owned_ = std::move(other.owned_);
        return *this;
    }
    ~ZEMNodeText() = default;

    std::string_view view() const { return lasting_.data() ? lasting_ : std::string_view(owned_); }
    operator std::string_view() const { return view(); }
    std::size_t size() const { return view().size(); }
    /// Known plain (a plain label's); false says only that nobody looked.
    bool isKnownPlain() const { return plain_; }
    bool operator==(const ZEMNodeText& other) const { return view() == other.view(); }
    bool operator==(std::string_view other) const { return view() == other; }

private:
    std::string owned_;
    std::string_view lasting_; // refers to nothing for an owned text
    bool plain_ = false;
};

/// A node value: absent, text, unsigned 8-bit, unsigned 32-bit, or octets.
using ZEMNodeValue =
    std::variant<std::monostate, ZEMNodeText, std::uint8_t, std::uint32_t, ByteBuffer>;

/// What a node's title and value can be made from.
template <typename T>
concept NodeTitle = std::constructible_from<ZEMNodeText, T&&>;
template <typename T>
concept NodeValue = std::constructible_from<ZEMNodeValue, T&&>;

class ZEMNode;
class ZEMNodeProtocol;

/// A node's children, in the order they were added; owned by the node.
using ZEMNodeChildren = std::span<const std::unique_ptr<ZEMNodeProtocol>>;

/// The node interface that the plug-in builds trees against.
class ZEMNodeProtocol {
public:
    virtual ~ZEMNodeProtocol() = default;
    /// The node as the host's own ZEMNode, when it is one: a printer that walks a tree of
    /// them makes one virtual call per node instead of one per accessor.
    virtual const ZEMNode* asZEMNode() const { return nullptr; }
    virtual void addChild(std::unique_ptr<ZEMNodeProtocol> child) = 0;
    virtual std::string_view title() const = 0;
    /// The title is known to be plain (see ZEMNodeLabel); false says only that nobody looked.
    virtual bool hasKnownPlainTitle() const { return false; }
    virtual const ZEMNodeValue& value() const = 0;
    virtual ZEMNodeChildren children() const = 0;
    virtual std::optional<std::uint16_t> headerLocation() const = 0;
    virtual std::optional<std::uint16_t> headerLength() const = 0;
    virtual void setHeaderLocation(std::uint16_t location) = 0;
    virtual void setHeaderLength(std::uint16_t length) = 0;
    /// Called when the node is added under `parent`.
    virtual void wasAdded(ZEMNodeProtocol* parent) = 0;
};

/// The children a ZEMNode owns. An attribute's node has three (its type, length and value)
/// and most others fewer: those stay in the node itself. A tree made a dozen lists a
/// message otherwise, one allocation and one free each.
class ZEMNodeChildList {
public:
    using Child = std::unique_ptr<ZEMNodeProtocol>;
    ZEMNodeChildList() = default;
    ZEMNodeChildList(const ZEMNodeChildList&) = delete;
    ZEMNodeChildList& operator=(const ZEMNodeChildList&) = delete;
    ~ZEMNodeChildList();

    void add(Child child) {
        if (count_ == capacity_)
            grow();
        new (items_ + count_) Child(std::move(child));
        ++count_;
    }
    ZEMNodeChildren view() const { return {items_, count_}; }

private:
    static constexpr std::uint32_t inPlaceLimit = 3;
    Child* inPlace() { return reinterpret_cast<Child*>(inPlace_); }
    void grow();
    // Destroys the children (moved-from ones too) and frees an allocated array.
    void release();

    alignas(Child) unsigned char inPlace_[inPlaceLimit * sizeof(Child)];
    Child* items_ = inPlace(); // inPlace_ or, past inPlaceLimit, an allocated array
    std::uint32_t count_ = 0, capacity_ = inPlaceLimit;
};

class ZEMNode final : public ZEMNodeProtocol {
public:
    // A title and a value are built where the node is asked for and moved into it once:
    // taken by value at each step, a tree's few dozen values moved three times over.
    template <NodeTitle Title>
    explicit ZEMNode(Title&& title) : title_(std::forward<Title>(title)) {}
    template <NodeTitle Title, NodeValue Value>
    ZEMNode(Title&& title, Value&& value)
        : title_(std::forward<Title>(title)), value_(std::forward<Value>(value)) {}
    ZEMNode(const ZEMNode&) = delete;
    ZEMNode& operator=(const ZEMNode&) = delete;

    // A tree of a few dozen nodes is built and dropped for each message shown: a thread
    // keeps the nodes it frees for its next tree rather than handing each back.
    static void* operator new(std::size_t size);
    static void operator delete(void* node);

    template <NodeTitle Title> static std::unique_ptr<ZEMNode> nodeWithName(Title&& title) {
        return std::make_unique<ZEMNode>(std::forward<Title>(title));
    }
    template <NodeTitle Title, NodeValue Value>
    static std::unique_ptr<ZEMNode> nodeWithName(Title&& title, Value&& value) {
        return std::make_unique<ZEMNode>(std::forward<Title>(title), std::forward<Value>(value));
    }

    const ZEMNode* asZEMNode() const override { return this; }
    /// Appends a child; a ZEMNode child learns its parent unless one was set already.
    void addChild(std::unique_ptr<ZEMNodeProtocol> child) override;
    std::string_view title() const override { return title_.view(); }
    bool hasKnownPlainTitle() const override { return title_.isKnownPlain(); }
    const ZEMNodeValue& value() const override { return value_; }
    ZEMNodeChildren children() const override { return children_.view(); }
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
    ZEMNodeText title_;
    ZEMNodeValue value_;
    ZEMNodeChildList children_;
    std::optional<std::uint16_t> headerLocation_;
    std::optional<std::uint16_t> headerLength_;
    ZEMNodeProtocol* parent_ = nullptr;
};

} // namespace zem
