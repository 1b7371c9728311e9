#include "CaptureChecks.hpp"

#include "RadiusCodes.hpp"
#include "RequestMatcher.hpp"
#include "SecretsFile.hpp"
#include "StoredMessages.hpp"

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
    const std::size_t oldest = position > analysis::RequestMatcher::defaultCapacity
                                   ? position - analysis::RequestMatcher::defaultCapacity
                                   : 0;
    for (std::size_t at = position; at-- > oldest;) {
        const auto& entry = index[at];
        if (response.time - entry.time > analysis::RequestMatcher::defaultWindowSeconds)
            break;
        if (!analysis::isRequestCode(entry.code) || entry.identifier != response.identifier ||
            entry.source != response.destination || entry.sourcePort != response.destinationPort ||
            entry.destination != response.source || entry.destinationPort != response.sourcePort)
            continue;
        std::optional<analysis::Digest> found;
        zem::ByteBuffer buffer;
        capture::forEachStored(
            index, store, at, at + 1, buffer,
            [&](std::size_t, const capture::IndexedMessage&, zem::ByteView request) {
                if (request.size() < 20)
                    return;
                analysis::Digest digest{};
                std::copy_n(request.slice(4, 16).begin(), 16, digest.begin());
                found = digest;
            });
        return found;
    }
    return std::nullopt;
}

analysis::MessageChecks CaptureChecks::checksAt(const capture::MessageIndex& index,
                                                const capture::MessageStore& store,
                                                std::size_t position, zem::ByteView message) const {
    analysis::CheckInput input;
    if (!secrets_.empty() && position < index.size()) {
        const auto& entry = index[position];
        const bool request = analysis::isRequestCode(entry.code);
        input.secret = secrets_.secretFor(request ? entry.source : entry.destination);
        if (input.secret && !request && analysis::requestCodeFor(entry.code) != 0)
            input.requestAuthenticator = requestAuthenticator(index, store, position);
    }
    return analysis::checkMessage(message, input);
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
