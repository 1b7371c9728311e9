#include "TlsConnection.hpp"

#include "ByteCursor.hpp"
#include "TlsCipherSuites.hpp"
#include "TlsKeySchedule.hpp"

#include <array>

namespace capture {

namespace {

constexpr std::size_t maximumHandshakeBuffer = 65536;

// A DTLS handshake header adds the message sequence and a fragment's offset and length.
constexpr std::size_t tlsHandshakeHeader = 4, dtlsHandshakeHeader = 12;

struct ProblemText {
    TlsProblem problem;
    std::string_view text;
};

constexpr std::array<ProblemText, 6> problemTexts{{
    {TlsProblem::none, ""},
    {TlsProblem::noKeyLog, "its records are encrypted (give --tls-keylog to read them)"},
    {TlsProblem::noKey, "the key log has no secrets for it"},
    {TlsProblem::startNotSeen, "its handshake is not in the capture, so its keys are unknown"},
    {TlsProblem::unsupportedSuite, "its cipher suite is not one that can be decrypted here"},
    {TlsProblem::recordNotDecrypted, "a record did not decrypt (a wrong key, or a damaged record)"},
}};

} // namespace

std::string_view tlsProblemText(TlsProblem problem) {
    for (const auto& row : problemTexts)
        if (row.problem == problem)
            return row.text;
    return {};
}

void TlsConnection::noteProblem(TlsProblem problem) {
    if (problem_ == TlsProblem::none)
        problem_ = problem;
}

void TlsConnection::record(bool fromClient, std::uint8_t type, std::uint16_t version,
                           std::uint64_t sequence, zem::ByteView fragment,
                           const ApplicationSink& sink, std::vector<TlsRecordEvent>* events) {
    events_ = events; // the handshake messages the record completes are said too
    readRecord(fromClient, type, version, sequence, fragment, sink);
    events_ = nullptr;
}

void TlsConnection::said(TlsRecordEvent event) {
    if (events_)
        events_->push_back(event);
}

void TlsConnection::readRecord(bool fromClient, std::uint8_t type, std::uint16_t version,
                               std::uint64_t sequence, zem::ByteView fragment,
                               const ApplicationSink& sink) {
    using Kind = TlsRecordEvent::Kind;
    // What a record says when it cannot be read.
    const auto unread = [&] {
        said({type == zem::tlsContent::handshake ? Kind::encryptedHandshake
              : type == zem::tlsContent::alert   ? Kind::encryptedAlert
                                                 : Kind::applicationData});
    };
    Direction& direction = directions_[fromClient ? 1 : 0];
    const bool tls13 = version_ == tls13Version;
    // TLS 1.3 hides a protected record's type behind "application data".
    const bool opaque =
        tls13 && direction.stage != Stage::clear && type == zem::tlsContent::applicationData;
    const std::size_t recordEvent = events_ ? events_->size() : 0;
    said({Kind::record, type, static_cast<std::uint8_t>(opaque ? 1 : 0), version});
    if (type == zem::tlsContent::changeCipherSpec) {
        said({Kind::changeCipherSpec});
        // TLS 1.3 sends one only for middleboxes' sake, also around a HelloRetryRequest,
        // before any ServerHello has chosen a version; it changes nothing.
        if (version_ && !tls13)
            protect(fromClient, Stage::application);
        return;
    }
    // A DTLS record of a later epoch is protected even when the ChangeCipherSpec before
    // it was lost or comes after it.
    if (datagram_ && direction.stage == Stage::clear && (sequence >> 48) > 0 && version_ && !tls13)
        protect(fromClient, Stage::application);
    if (direction.stage == Stage::clear) {
        if (type == zem::tlsContent::handshake) {
            handshakeOctets(fromClient, fragment);
        } else if (type == zem::tlsContent::alert) {
            said({Kind::alert, fragment.at(0).value_or(0), fragment.at(1).value_or(0)});
            alertRecord(fromClient, fragment);
        } else if (type == zem::tlsContent::applicationData) {
            said({Kind::applicationData});
            noteProblem(TlsProblem::startNotSeen);
        }
        return;
    }
    if (!direction.decryptor) {
        ++direction.sequence;
        unread();
        return;
    }
    auto plain = direction.decryptor->decrypt(datagram_ ? sequence : direction.sequence++, type,
                                              version, fragment);
    if (!plain) {
        noteProblem(TlsProblem::recordNotDecrypted);
        unread();
        return;
    }
    ++decrypted_;
    if (opaque && events_) { // the type inside is known now
        (*events_)[recordEvent].code = plain->contentType;
        (*events_)[recordEvent].detail = 0;
    }
    const zem::ByteView inside(plain->octets);
    if (plain->contentType == zem::tlsContent::applicationData) {
        said({Kind::applicationData});
        sink(fromClient, inside);
    } else if (plain->contentType == zem::tlsContent::handshake) {
        handshakeOctets(fromClient, inside);
    } else if (plain->contentType == zem::tlsContent::alert) {
        said({Kind::alert, inside.at(0).value_or(0), inside.at(1).value_or(0)});
        alertRecord(fromClient, inside);
    }
}

void TlsConnection::handshakeOctets(bool fromClient, zem::ByteView octets) {
    const std::size_t header = datagram_ ? dtlsHandshakeHeader : tlsHandshakeHeader;
    if (datagram_) {
        // Each DTLS record holds whole handshake fragments; the hellos are never split
        // in practice, and a split one is simply not read.
        zem::ByteCursor cursor(octets);
        while (cursor.remaining() >= header) {
            auto type = cursor.u8();
            auto length = cursor.u24();
            cursor.take(5); // message sequence, fragment offset
            auto fragmentLength = cursor.u24();
            auto body = cursor.take(fragmentLength.value_or(0));
            if (!type || !length || !fragmentLength || !body)
                return;
            if (*fragmentLength == *length)
                handshakeMessage(fromClient, *type, *body);
        }
        return;
    }
    Direction& direction = directions_[fromClient ? 1 : 0];
    if (direction.handshake.size() + octets.size() > maximumHandshakeBuffer) {
        direction.handshake.clear();
        return;
    }
    direction.handshake.insert(direction.handshake.end(), octets.begin(), octets.end());
    std::size_t used = 0;
    while (true) {
        zem::ByteView rest = zem::ByteView(direction.handshake).slice(used);
        zem::ByteCursor cursor(rest);
        auto type = cursor.u8();
        auto length = cursor.u24();
        auto body = length ? cursor.take(*length) : std::nullopt;
        if (!type || !body)
            break;
        used += header + *length;
        // A message may change this direction's keys: the rest of the buffer is
        // read after the change, as the next records will be.
        handshakeMessage(fromClient, *type, *body);
    }
    direction.handshake.erase(direction.handshake.begin(),
                              direction.handshake.begin() + static_cast<std::ptrdiff_t>(used));
}

void TlsConnection::handshakeMessage(bool fromClient, std::uint8_t type, zem::ByteView body) {
    if (events_) {
        const bool retry = type == zem::tlsHandshake::serverHello && !fromClient &&
                           readServerHello(body).value_or(TlsServerHello{}).helloRetryRequest;
        said({retry ? TlsRecordEvent::Kind::helloRetryRequest : TlsRecordEvent::Kind::handshake,
              type});
    }
    Direction& direction = directions_[fromClient ? 1 : 0];
    switch (type) {
    case zem::tlsHandshake::clientHello:
        if (fromClient)
            if (auto hello = readClientHello(body, datagram_)) {
                clientRandom_ = hello->random;
                clientHello_ = std::move(*hello);
            }
        break;
    case zem::tlsHandshake::serverHello: {
        auto hello = fromClient ? std::nullopt : readServerHello(body);
        if (!hello || hello->helloRetryRequest)
            break;
        serverRandom_ = hello->random;
        version_ = hello->version;
        suiteId_ = hello->cipherSuite;
        encryptThenMac_ = hello->encryptThenMac;
        if (version_ == tls13Version) {
            // Everything after the ServerHello is protected, each side with its own
            // handshake secret.
            protect(false, Stage::handshake);
            protect(true, Stage::handshake);
        }
        break;
    }
    case zem::tlsHandshake::certificate:
        certificateMessage(fromClient, body);
        break;
    case zem::tlsHandshake::finished:
        if (version_ == tls13Version && direction.stage == Stage::handshake)
            protect(fromClient, Stage::application);
        break;
    case zem::tlsHandshake::keyUpdate:
        if (version_ == tls13Version && direction.stage == Stage::application &&
            direction.decryptor)
            if (const auto* suite = findTlsCipherSuite(*suiteId_))
                if (auto next =
                        tls13NextTrafficSecret(*suite, zem::ByteView(direction.trafficSecret)))
                    applyTls13Secret(direction, zem::ByteView(*next));
        break;
    default:
        break;
    }
}

void TlsConnection::certificateMessage(bool fromClient, zem::ByteView body) {
    zem::ByteCursor cursor(body);
    if (version_ == tls13Version && !cursor.vector8()) // TLS 1.3's request context
        return;
    auto list = cursor.vector24();
    auto first = list ? zem::ByteCursor(*list).vector24() : std::nullopt;
    auto& kept = certificates_[fromClient ? 1 : 0];
    if (first && kept.empty())
        kept = first->copy();
}

void TlsConnection::alertRecord(bool fromClient, zem::ByteView octets) {
    auto level = octets.at(0), description = octets.at(1);
    if (level && description && !alert_)
        alert_ = TlsAlertSeen{*level, *description, fromClient};
}

void TlsConnection::applyTls13Secret(Direction& direction, zem::ByteView secret) {
    const auto* suite = findTlsCipherSuite(*suiteId_);
    auto keys = suite ? tls13TrafficKeys(*suite, secret) : std::nullopt;
    direction.decryptor.reset();
    if (keys)
        direction.decryptor.emplace(*suite, std::move(*keys), TlsRecordProtection::tls13, false);
    else
        noteProblem(TlsProblem::unsupportedSuite);
    direction.trafficSecret = secret.copy();
    direction.sequence = 0;
}

void TlsConnection::protect(bool fromClient, Stage stage) {
    Direction& direction = directions_[fromClient ? 1 : 0];
    direction.stage = stage;
    direction.sequence = 0;
    direction.decryptor.reset();
    if (!keys_ || keys_->empty()) {
        noteProblem(TlsProblem::noKeyLog);
        return;
    }
    if (!clientRandom_ || !serverRandom_ || !suiteId_) {
        noteProblem(TlsProblem::startNotSeen);
        return;
    }
    const TlsCipherSuite* suite = findTlsCipherSuite(*suiteId_);
    if (!suite) {
        noteProblem(TlsProblem::unsupportedSuite);
        return;
    }
    const TlsSecrets* secrets = keys_->find(*clientRandom_);
    if (version_ == tls13Version) {
        const zem::ByteBuffer* secret = nullptr;
        if (secrets)
            secret = stage == Stage::handshake
                         ? (fromClient ? &secrets->clientHandshake : &secrets->serverHandshake)
                         : (fromClient ? &secrets->clientApplication : &secrets->serverApplication);
        if (!secret || secret->empty()) {
            noteProblem(TlsProblem::noKey);
            return;
        }
        applyTls13Secret(direction, zem::ByteView(*secret));
        return;
    }
    if (!secrets || secrets->masterSecret.empty()) {
        noteProblem(TlsProblem::noKey);
        return;
    }
    if (auto keys = tls12TrafficKeys(*suite, zem::ByteView(secrets->masterSecret), *clientRandom_,
                                     *serverRandom_, fromClient))
        direction.decryptor.emplace(*suite, std::move(*keys), TlsRecordProtection::tls12,
                                    encryptThenMac_);
    else
        noteProblem(TlsProblem::unsupportedSuite);
}

} // namespace capture
