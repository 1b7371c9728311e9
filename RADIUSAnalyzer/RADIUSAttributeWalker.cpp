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

// The tree's fixed labels and formats, looked up once: the tables never change.
struct Labels {
    std::string header = label("RADIUS-Header");
    std::string length = label("Length");
    std::string code = label("Code");
    std::string identifier = label("Identifier");
    std::string authenticator = label("Authenticator");
    std::string attribute = label("Attribute");
    std::string unknown = label("Unknown");
    std::string truncated = label("Truncated AVP");
    std::string invalid = label("Invalid Length - no value(s)");
    std::string bytesFormat = label("%u bytes");
    std::string identifierFormat = label("%u (0x%x)");
    std::string attributeTitleFormat = label("AVP %u - %@");
    std::string attributeValueFormat = label("%@ (%u)");
    std::string dateFormat = label("yyyy-MM-dd HH:mm:ss.SSS");

    // Texts that depend only on one octet, filled in once for every value of it.
    std::array<std::string, 256> attributeTitles, attributeValues, lengths, identifiers;

    Labels() {
        for (std::size_t i = 0; i < 256; ++i) {
            const auto octet = static_cast<std::uint8_t>(i);
            const std::string* registered = attributeName(octet);
            const std::string& name = registered ? *registered : unknown;
            attributeTitles[i] = zem::fillFormat(attributeTitleFormat, octet, name);
            attributeValues[i] = zem::fillFormat(attributeValueFormat, name, octet);
            lengths[i] = zem::fillFormat(bytesFormat, octet);
            identifiers[i] = zem::fillFormat(identifierFormat, octet, octet);
        }
    }
};

const Labels& labels() {
    static const Labels all;
    return all;
}

std::string bytesText(std::uint16_t count) {
    return count < 256 ? labels().lengths[count] : zem::fillFormat(labels().bytesFormat, count);
}

} // namespace

void addAttributeNodes(ZEMNode& header, const std::optional<AttributeRecordList>& records,
                       std::uint16_t startOffset) {
    if (!records)
        return;
    const Labels& l = labels();
    const zem::ZEMDateFormatter dateFormatter(l.dateFormat);
    std::uint16_t offset = startOffset;
    for (const AttributeRecord& record : *records) {
        const std::uint8_t type = record.avpType;
        auto attribute = ZEMNode::nodeWithName(l.attributeTitles[type]);
        attribute->setHeaderLength(record.avpLength);
        attribute->setHeaderLocation(offset);
        attribute->setParent(&header);

        auto typeNode = ZEMNode::nodeWithName(l.attribute, l.attributeValues[type]);
        typeNode->setHeaderLocation(0);
        typeNode->setHeaderLength(1);
        attribute->addChild(std::move(typeNode));

        auto lengthNode = ZEMNode::nodeWithName(l.length, l.lengths[record.avpLength]);
        lengthNode->setHeaderLocation(1);
        lengthNode->setHeaderLength(1);
        attribute->addChild(std::move(lengthNode));

        if (record.truncated) {
            attribute->addChild(ZEMNode::nodeWithName(l.truncated));
            header.addChild(std::move(attribute));
            return;
        }
        if (record.invalid)
            attribute->addChild(ZEMNode::nodeWithName(l.invalid));
        else
            addAttributeValueNodes(type, record, *attribute, dateFormatter);
        header.addChild(std::move(attribute));
        offset = static_cast<std::uint16_t>(offset + record.avpLength);
    }
}

std::unique_ptr<ZEMNode> radiusPacketTree(const RADIUSDissector& dissector, zem::ByteView message,
                                          std::uint16_t capturedSize) {
    const Labels& l = labels();
    auto header = ZEMNode::nodeWithName(l.header);
    header->addChild(ZEMNode::nodeWithName(l.length, bytesText(capturedSize)));
    header->setHeaderLength(capturedSize);
    header->setHeaderLocation(0);

    auto code = dissector.radiusCodeText(message);
    auto identifier = message.at(1);
    auto authenticator = dissector.authenticatorText(message.slice(4, 16));
    if (!code || !identifier || !authenticator)
        return header;
    header->addChild(ZEMNode::nodeWithName(l.code, std::move(*code)));
    header->addChild(ZEMNode::nodeWithName(l.identifier, l.identifiers[*identifier]));
    header->addChild(ZEMNode::nodeWithName(l.authenticator, std::move(*authenticator)));

    auto attributes = dissector.attributeListData(message);
    if (!attributes)
        return header;
    addAttributeNodes(*header, attributeRecords(*attributes), radiusHeaderLength);
    return header;
}

} // namespace radius
