#include "RADIUSAttributeWalker.hpp"

#include "FormatString.hpp"
#include "RADIUSLocalization.hpp"
#include "RADIUSValueNodes.hpp"
#include "ZEMDateFormatter.hpp"

#include <array>

namespace radius {

using zem::ZEMNode;

namespace {

std::string label(std::string_view key) {
    return std::string(localizedRADIUSString(key));
}

zem::ZEMNodeLabel nodeLabel(std::string_view key) {
    return zem::ZEMNodeLabel(label(key));
}

// The labels below live as long as the plug-in: nodes refer to them rather than copy, and
// printers know which need no look for escapes.
zem::ZEMNodeText lasting(const zem::ZEMNodeLabel& label) {
    return zem::ZEMNodeText::lasting(label);
}

// The tree's fixed labels and formats, looked up once: the tables never change.
struct Labels {
    zem::ZEMNodeLabel header = nodeLabel("RADIUS-Header");
    zem::ZEMNodeLabel length = nodeLabel("Length");
    zem::ZEMNodeLabel code = nodeLabel("Code");
    zem::ZEMNodeLabel identifier = nodeLabel("Identifier");
    zem::ZEMNodeLabel authenticator = nodeLabel("Authenticator");
    zem::ZEMNodeLabel attribute = nodeLabel("Attribute");
    std::string unknown = label("Unknown");
    zem::ZEMNodeLabel truncated = nodeLabel("Truncated AVP");
    zem::ZEMNodeLabel invalid = nodeLabel("Invalid Length - no value(s)");
    std::string bytesFormat = label("%u bytes");
    std::string identifierFormat = label("%u (0x%x)");
    std::string attributeTitleFormat = label("AVP %u - %@");
    std::string attributeValueFormat = label("%@ (%u)");
    std::string dateFormat = label("yyyy-MM-dd HH:mm:ss.SSS");

    // Texts that depend only on one octet, filled in once for every value of it.
    std::array<zem::ZEMNodeLabel, 256> attributeTitles, attributeValues, lengths, identifiers;

    Labels() {
        for (std::size_t i = 0; i < 256; ++i) {
            const auto octet = static_cast<std::uint8_t>(i);
            const std::string* registered = attributeName(octet);
            const std::string& name = registered ? *registered : unknown;
            attributeTitles[i] =
                zem::ZEMNodeLabel(zem::fillFormat(attributeTitleFormat, octet, name));
            attributeValues[i] =
                zem::ZEMNodeLabel(zem::fillFormat(attributeValueFormat, name, octet));
            lengths[i] = zem::ZEMNodeLabel(zem::fillFormat(bytesFormat, octet));
            identifiers[i] = zem::ZEMNodeLabel(zem::fillFormat(identifierFormat, octet, octet));
        }
    }
};

const Labels& labels() {
    static const Labels all;
    return all;
}

zem::ZEMNodeText bytesText(std::uint16_t count) {
    if (count < 256)
        return lasting(labels().lengths[count]);
    return zem::fillFormat(labels().bytesFormat, count);
}

} // namespace

void addAttributeNodes(ZEMNode& header, std::optional<AttributeRecordList> records,
                       std::uint16_t startOffset) {
    if (!records)
        return;
    const Labels& l = labels();
    const zem::ZEMDateFormatter dateFormatter(l.dateFormat);
    std::uint16_t offset = startOffset;
    for (AttributeRecord& record : *records) {
        const std::uint8_t type = record.avpType;
        auto attribute = ZEMNode::nodeWithName(lasting(l.attributeTitles[type]));
        attribute->setHeaderLength(record.avpLength);
        attribute->setHeaderLocation(offset);
        attribute->setParent(&header);

        auto typeNode =
            ZEMNode::nodeWithName(lasting(l.attribute), lasting(l.attributeValues[type]));
        typeNode->setHeaderLocation(0);
        typeNode->setHeaderLength(1);
        attribute->addChild(std::move(typeNode));

        auto lengthNode =
            ZEMNode::nodeWithName(lasting(l.length), lasting(l.lengths[record.avpLength]));
        lengthNode->setHeaderLocation(1);
        lengthNode->setHeaderLength(1);
        attribute->addChild(std::move(lengthNode));

        if (record.truncated) {
            attribute->addChild(ZEMNode::nodeWithName(lasting(l.truncated)));
            header.addChild(std::move(attribute));
            return;
        }
        if (record.invalid)
            attribute->addChild(ZEMNode::nodeWithName(lasting(l.invalid)));
        else
            addAttributeValueNodes(type, record, *attribute, dateFormatter);
        header.addChild(std::move(attribute));
        offset = static_cast<std::uint16_t>(offset + record.avpLength);
    }
}

std::unique_ptr<ZEMNode> radiusPacketTree(const RADIUSDissector& dissector, zem::ByteView message,
                                          std::uint16_t capturedSize) {
    const Labels& l = labels();
    auto header = ZEMNode::nodeWithName(lasting(l.header));
    header->addChild(ZEMNode::nodeWithName(lasting(l.length), bytesText(capturedSize)));
    header->setHeaderLength(capturedSize);
    header->setHeaderLocation(0);

    auto code = dissector.radiusCodeText(message);
    auto identifier = message.at(1);
    auto authenticator = dissector.authenticatorText(message.slice(4, 16));
    if (!code || !identifier || !authenticator)
        return header;
    header->addChild(ZEMNode::nodeWithName(lasting(l.code), std::move(*code)));
    header->addChild(
        ZEMNode::nodeWithName(lasting(l.identifier), lasting(l.identifiers[*identifier])));
    header->addChild(ZEMNode::nodeWithName(lasting(l.authenticator), std::move(*authenticator)));

    auto attributes = dissector.attributeListData(message);
    if (!attributes)
        return header;
    addAttributeNodes(*header, attributeRecords(*attributes), radiusHeaderLength);
    return header;
}

} // namespace radius
