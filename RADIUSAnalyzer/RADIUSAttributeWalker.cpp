#include "RADIUSAttributeWalker.hpp"

#include "FormatString.hpp"
#include "RADIUSLocalization.hpp"
#include "RADIUSValueNodes.hpp"
#include "ZEMDateFormatter.hpp"

namespace radius {

using zem::ZEMNode;

namespace {

std::string label(std::string_view key) {
    return std::string(localizedRADIUSString(key));
}

std::string bytesText(std::uint64_t count) {
    return zem::fillFormat(localizedRADIUSString("%u bytes"), count);
}

} // namespace

void addAttributeNodes(ZEMNode& header, const std::optional<AttributeRecordList>& records,
                       std::uint16_t startOffset) {
    if (!records)
        return;
    const zem::ZEMDateFormatter dateFormatter(localizedRADIUSString("yyyy-MM-dd HH:mm:ss.SSS"));
    std::uint16_t offset = startOffset;
    for (const AttributeRecord& record : *records) {
        const std::uint8_t type = record.avpType;
        std::string name = localizedAVPString("avp" + std::to_string(type));
        if (name == "avp" + std::to_string(type))
            name = label("Unknown");

        auto attribute = ZEMNode::nodeWithName(
            zem::fillFormat(localizedRADIUSString("AVP %u - %@"), type, name));
        attribute->setHeaderLength(record.avpLength);
        attribute->setHeaderLocation(offset);
        attribute->setParent(&header);

        auto typeNode = ZEMNode::nodeWithName(
            label("Attribute"), zem::fillFormat(localizedRADIUSString("%@ (%u)"), name, type));
        typeNode->setHeaderLocation(0);
        typeNode->setHeaderLength(1);
        attribute->addChild(std::move(typeNode));

        auto lengthNode = ZEMNode::nodeWithName(label("Length"), bytesText(record.avpLength));
        lengthNode->setHeaderLocation(1);
        lengthNode->setHeaderLength(1);
        attribute->addChild(std::move(lengthNode));

        if (record.truncated) {
            attribute->addChild(ZEMNode::nodeWithName(label("Truncated AVP")));
            header.addChild(std::move(attribute));
            return;
        }
        if (record.invalid)
            attribute->addChild(ZEMNode::nodeWithName(label("Invalid Length - no value(s)")));
        else
            addAttributeValueNodes(type, record, *attribute, dateFormatter);
        header.addChild(std::move(attribute));
        offset = static_cast<std::uint16_t>(offset + record.avpLength);
    }
}

std::unique_ptr<ZEMNode> radiusPacketTree(const RADIUSDissector& dissector, zem::ByteView message,
                                          std::uint16_t capturedSize) {
    auto header = ZEMNode::nodeWithName(label("RADIUS-Header"));
    header->addChild(ZEMNode::nodeWithName(label("Length"), bytesText(capturedSize)));
    header->setHeaderLength(capturedSize);
    header->setHeaderLocation(0);

    auto code = dissector.radiusCodeText(message);
    auto identifier = message.at(1);
    auto authenticator = dissector.authenticatorText(message.slice(4, 16));
    if (!code || !identifier || !authenticator)
        return header;
    header->addChild(ZEMNode::nodeWithName(label("Code"), std::move(*code)));
    header->addChild(ZEMNode::nodeWithName(
        label("Identifier"),
        zem::fillFormat(localizedRADIUSString("%u (0x%x)"), *identifier, *identifier)));
    header->addChild(ZEMNode::nodeWithName(label("Authenticator"), std::move(*authenticator)));

    auto attributes = dissector.attributeListData(message);
    if (!attributes)
        return header;
    addAttributeNodes(*header, attributeRecords(*attributes), radiusHeaderLength);
    return header;
}

} // namespace radius
