#include "CaptureChecks.hpp"

#include "StoredMessages.hpp"
#include "checks/SecretsFile.hpp"
#include "exchanges/RequestMatcher.hpp"

namespace gui {

bool CaptureChecks::load(const QString& path, QString& error, QString& warning) {
    try {
        std::string warningText;
        secrets_ = analysis::readSecretsFile(path.toStdString(), warningText);
        warning = QString::fromStdString(warningText);
        path_ = path;
        return true;
    } catch (const analysis::SecretsError& failure) {
        error = QString::fromStdString(failure.what());
        return false;
    }
}

void CaptureChecks::clear() {
    secrets_ = {};
    path_.clear();
}

std::optional<analysis::Digest>
CaptureChecks::requestAuthenticator(const capture::MessageIndex& index,
                                    const capture::MessageStore& store,
                                    std::size_t position) const {
    const auto& response = index[position];
    const auto responseOrigin = index.origin(position);
    const std::size_t oldest = position > analysis::RequestMatcher::defaultCapacity
                                   ? position - analysis::RequestMatcher::defaultCapacity
                                   : 0;
    for (std::size_t at = position; at-- > oldest;) {
        const auto& entry = index[at];
        if (response.time - entry.time > analysis::RequestMatcher::defaultWindowSeconds)
            break;
        if (!analysis::isRequestCode(entry.code))
            continue;
        const auto key = analysis::requestKey(index.origin(at), entry.code, entry.identifier);
        bool answers = false;
        analysis::forEachAnsweredKey(responseOrigin, response.code, response.identifier,
                                     [&](const analysis::ExchangeKey& candidate) {
                                         answers = candidate == key;
                                         return answers;
                                     });
        if (!answers)
            continue;
        std::optional<analysis::Digest> found;
        zem::ByteBuffer buffer;
        capture::forEachStored(
            index, store, at, at + 1, buffer,
            [&](std::size_t, const capture::IndexedMessage&, zem::ByteView request) {
                if (request.size() < analysis::headerSize)
                    return;
                analysis::Digest digest{};
                std::copy_n(request.slice(4, 16).begin(), 16, digest.begin());
                found = digest;
            });
        return found;
    }
    return std::nullopt;
}

std::optional<analysis::DecodedMessage> CaptureChecks::decodeAt(const zem::PlugInHost& host,
                                                                const capture::MessageIndex& index,
                                                                const capture::MessageStore& store,
                                                                std::size_t position,
                                                                zem::ByteView message) const {
    if (position >= index.size())
        return std::nullopt;
    const auto& entry = index[position];
    analysis::CheckInput input;
    const auto origin = index.origin(position);
    const bool request = analysis::isRequestCode(entry.code);
    input.secret =
        analysis::secretForMessage(secrets_, origin, request ? origin.source : origin.destination);
    if (input.secret && analysis::isResponseCode(entry.code))
        input.requestAuthenticator = requestAuthenticator(index, store, position);
    return analysis::DecodedMessage::decode(host, origin, message, input,
                                            exchanges_ ? exchanges_->links(position)
                                                       : analysis::ExchangeLinks{});
}

QString checksColumnText(const analysis::MessageChecks& checks, bool secretsLoaded) {
    QString text;
    if (secretsLoaded)
        text = QString::fromUtf8(analysis::checkResultText(checks.verdict()));
    if (checks.exposure != 0)
        text += text.isEmpty() ? "exposed" : ", exposed";
    return text;
}

} // namespace gui
