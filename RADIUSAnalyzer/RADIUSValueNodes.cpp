#include "RADIUSValueNodes.hpp"

#include "FormatString.hpp"
#include "RADIUSAttributeDictionary.hpp"
#include "RADIUSLocalization.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "RadixFormat.hpp"
#include "ZEMAnalyzingUtilities.hpp"
#include "ZEMUserDefaults.hpp"

namespace radius {

using zem::ByteBuffer;
using zem::ZEMNode;
using zem::ZEMNodeProtocol;
using zem::ZEMNodeValue;

namespace {

void add(ZEMNodeProtocol& parent, std::uint8_t type, std::size_t index, ZEMNodeValue value) {
    // Value labels are loaded once and kept: nodes refer to them.
    parent.addChild(ZEMNode::nodeWithName(
        zem::ZEMNodeText::lasting(attributeValueLabel(type, index)), std::move(value)));
}

// The record's values are handed over to the nodes: moved, not copied.
ZEMNodeValue textOrEmpty(std::string* text) {
    return text ? std::move(*text) : std::string();
}
ZEMNodeValue octetsOrEmpty(ByteBuffer* octets) {
    if (octets)
        return std::move(*octets);
    return std::string();
}

bool privateSettingOn() {
    return zem::ZEMUserDefaults::standardUserDefaults().boolForKey(kRADIUSSecretCredentials);
}

std::string tagText(std::uint8_t tag) {
    return zem::radixText(tag, 16, true, 2, false);
}

void addTag(ZEMNodeProtocol& node, std::uint8_t type, AttributeRecord& record) {
    if (const auto* tag = record.value<std::uint8_t>(0))
        add(node, type, 0, tagText(*tag));
}

void addAddressNode(const std::string& dotted, std::uint8_t type, ZEMNodeProtocol& node) {
    if (!zem::ZEMUserDefaults::standardUserDefaults().boolForKey(kRADIUSResolveIP)) {
        add(node, type, 0, dotted);
        return;
    }
    auto name = zem::ZEMAnalyzingUtilities::hostnameForIPString(dotted, 2);
    add(node, type, 1,
        zem::fillFormat(localizedRADIUSString("%@ (%@)"), name ? *name : dotted, dotted));
}

void addEnumeratedValueNode(AttributeRecord& record, std::uint8_t type, ZEMNodeProtocol& node,
                            ValueTable table) {
    if (const auto* value = record.value<std::uint32_t>(0))
        add(node, type, 0, valueTableText(table, *value));
}

void addTaggedEnumeratedNodes(AttributeRecord& record, std::uint8_t type, ZEMNodeProtocol& node,
                              ValueTable table) {
    addTag(node, type, record);
    if (const auto* value = record.value<std::uint32_t>(1))
        add(node, type, 1, valueTableText(table, *value));
}

void addARAPFeaturesNodes(AttributeRecord& record, std::uint8_t type, ZEMNodeProtocol& node,
                          const zem::ZEMDateFormatter& formatter) {
    // RFC 2869 counts ARAP times in seconds since 1904, read in the formatter's time zone.
    auto epoch = formatter.dateFromString("1904-01-01 00:00:00.000");
    if (const auto* v = record.value<std::uint8_t>(0))
        add(node, type, 0, *v);
    if (const auto* v = record.value<std::uint8_t>(1))
        add(node, type, 1, *v);
    if (const auto* v = record.value<std::uint32_t>(2); v && epoch)
        add(node, type, 2, formatter.stringFromDate(*epoch + *v));
    if (const auto* v = record.value<std::uint32_t>(3))
        add(node, type, 3, *v);
    if (const auto* v = record.value<std::uint32_t>(4); v && epoch)
        add(node, type, 4, formatter.stringFromDate(*epoch + *v));
}

void addOriginatingLineInfoNode(AttributeRecord& record, std::uint8_t type, ZEMNodeProtocol& node) {
    if (const auto* value = record.value<std::uint16_t>(0))
        add(node, type, 0, originatingLineInfoText(*value));
}

void addTaggedTextNodes(AttributeRecord& record, std::uint8_t type, ZEMNodeProtocol& node,
                        Privacy privacy) {
    addTag(node, type, record);
    if (privacy != Privacy::none && privateSettingOn()) {
        if (privacy == Privacy::asOctets)
            add(node, type, 1, octetsOrEmpty(record.avpVal1Data ? &*record.avpVal1Data : nullptr));
        else
            add(node, type, 1, textOrEmpty(record.avpVal1Hex ? &*record.avpVal1Hex : nullptr));
        return;
    }
    add(node, type, 1, textOrEmpty(record.value<std::string>(1)));
}

} // namespace

void addAttributeValueNodes(std::uint8_t type, AttributeRecord& record, ZEMNodeProtocol& node,
                            const zem::ZEMDateFormatter& dateFormatter) {
    const AttributeDefinition& definition = attributeDefinition(type);
    switch (definition.kind) {
    case AttributeKind::utf8Text:
    case AttributeKind::asciiText:
    case AttributeKind::latin1Text:
    case AttributeKind::ipv6Address:
        add(node, type, 0, textOrEmpty(record.value<std::string>(0)));
        break;
    case AttributeKind::privateText:
        if (privateSettingOn())
            add(node, type, 0, textOrEmpty(record.avpVal0Hex ? &*record.avpVal0Hex : nullptr));
        else
            add(node, type, 0, textOrEmpty(record.value<std::string>(0)));
        break;
    case AttributeKind::number:
        if (const auto* value = record.value<std::uint32_t>(0))
            add(node, type, 0, *value);
        break;
    case AttributeKind::enumerated:
        addEnumeratedValueNode(record, type, node, definition.table);
        break;
    case AttributeKind::timestamp:
        if (const auto* value = record.value<std::uint32_t>(0))
            add(node, type, 0, dateFormatter.stringFromDate(static_cast<double>(*value)));
        break;
    case AttributeKind::hexNumber:
        if (const auto* value = record.value<std::uint32_t>(0))
            add(node, type, 0, zem::radixText(*value, 16, true, 2, false));
        break;
    case AttributeKind::ipv4Address:
        if (const auto* dotted = record.value<std::string>(0))
            addAddressNode(*dotted, type, node);
        break;
    case AttributeKind::octets:
        add(node, type, 0, octetsOrEmpty(record.value<ByteBuffer>(0)));
        break;
    case AttributeKind::unlisted:
        node.addChild(ZEMNode::nodeWithName(std::string(localizedRADIUSString("Data")),
                                            octetsOrEmpty(record.value<ByteBuffer>(0))));
        break;
    case AttributeKind::chapPassword:
        if (const auto* identifier = record.value<std::uint8_t>(0))
            add(node, type, 0,
                zem::fillFormat(localizedRADIUSString("0x%x (%u)"), *identifier, *identifier));
        add(node, type, 1, octetsOrEmpty(record.value<ByteBuffer>(1)));
        break;
    case AttributeKind::vendorSpecific:
        if (const auto* vendor = record.value<std::uint32_t>(0); vendor && record.avpVal0SMI) {
            static const std::string_view format = localizedRADIUSString("0x%x (%u) (%@)");
            add(node, type, 0, zem::fillFormat(format, *vendor, *vendor, *record.avpVal0SMI));
        }
        add(node, type, 1, textOrEmpty(record.value<std::string>(1)));
        break;
    case AttributeKind::vlanName:
        if (const auto* indication = record.value<std::uint32_t>(0))
            add(node, type, 0, vlanTagIndicationText(*indication));
        add(node, type, 1, textOrEmpty(record.value<std::string>(1)));
        break;
    case AttributeKind::taggedEnumerated:
        addTaggedEnumeratedNodes(record, type, node, definition.table);
        break;
    case AttributeKind::taggedNumber:
        addTag(node, type, record);
        if (const auto* value = record.value<std::uint32_t>(1))
            add(node, type, 1, *value);
        break;
    case AttributeKind::taggedAsciiText:
    case AttributeKind::taggedUtf8Text:
        addTaggedTextNodes(record, type, node, definition.privacy);
        break;
    case AttributeKind::tunnelPassword:
        addTag(node, type, record);
        if (const auto* salt = record.value<std::uint16_t>(1))
            add(node, type, 1, zem::radixText(*salt, 16, true, 4, true));
        add(node, type, 2, octetsOrEmpty(record.value<ByteBuffer>(2)));
        break;
    case AttributeKind::arapPassword:
        for (std::size_t i = 0; i < 4; ++i)
            if (const auto* value = record.value<std::uint32_t>(i))
                add(node, type, i, *value);
        break;
    case AttributeKind::arapFeatures:
        addARAPFeaturesNodes(record, type, node, dateFormatter);
        break;
    case AttributeKind::lineInformation:
        addOriginatingLineInfoNode(record, type, node);
        break;
    case AttributeKind::ipv6Prefix:
        if (const auto* prefixLength = record.value<std::uint8_t>(0)) {
            static const std::string_view format = localizedRADIUSString("%u bits");
            add(node, type, 0, zem::fillFormat(format, *prefixLength));
        }
        add(node, type, 1, textOrEmpty(record.value<std::string>(1)));
        break;
    }
}

} // namespace radius
