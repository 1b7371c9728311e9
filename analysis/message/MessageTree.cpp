#include "message/MessageTree.hpp"

#include "dictionary/DictionaryNodes.hpp"
#include "eap/EapNode.hpp"
#include "eap/EapPacket.hpp"
#include "exchanges/ExchangeNode.hpp"

namespace analysis {

MessageTree messageTree(const DecodedMessage& message, const RadiusDictionary* dictionary,
                        const CheckDisplay* checks) {
    MessageTree tree;
    tree.nodes = message.analyzer().protocolNodes(message.octets());
    if (dictionary)
        addDictionaryNodes(tree.nodes, message.attributes(), *dictionary);
    if (mayCarryEap(message.octets()))
        tree.eap = eapNode(message.wire(), message.tls() ? &*message.tls() : nullptr);
    tree.exchange = exchangeNode(message.exchange());
    if (checks)
        tree.checks = checksNode(message.checks(), message.code(), *checks);
    return tree;
}

} // namespace analysis
