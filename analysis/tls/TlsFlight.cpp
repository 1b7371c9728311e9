#include "tls/TlsFlight.hpp"

#include "ByteCursor.hpp"

#include <string_view>

namespace analysis {

namespace {

constexpr std::size_t recordHeaderSize = 5;
// RFC 8446 section 5.2: a protected record may grow to 2^14 + 256 octets; anything
// longer is no TLS.
constexpr std::size_t maxRecordLength = (1u << 14) + 256;
constexpr std::uint16_t serverNameExtension = 0, supportedVersionsExtension = 43;

void addNote(TlsFlight& flight, std::string_view what, std::size_t offset) {
    std::string note(what);
    note += " at octet ";
    note += std::to_string(offset);
    flight.notes.push_back(std::move(note));
}

std::vector<std::uint16_t> numbers16(zem::ByteView octets) {
    std::vector<std::uint16_t> numbers;
    zem::ByteCursor cursor(octets);
    while (const auto number = cursor.u16())
        numbers.push_back(*number);
    return numbers;
}

void readServerName(zem::ByteView data, TlsHandshake& message) {
    zem::ByteCursor extension(data);
    const auto list = extension.vector16();
    if (!list)
        return;
    zem::ByteCursor names(*list);
    while (const auto nameType = names.u8()) {
        const auto name = names.vector16();
        if (!name)
            return;
        if (*nameType == 0) { // host_name
            message.serverName.emplace(name->span().begin(), name->span().end());
            return;
        }
    }
}

void readExtensions(zem::ByteCursor& body, TlsHandshake& message) {
    const auto all = body.vector16();
    if (!all)
        return;
    zem::ByteCursor extensions(*all);
    while (const auto type = extensions.u16()) {
        const auto data = extensions.vector16();
        if (!data)
            return;
        message.extensions.push_back(*type);
        if (*type == serverNameExtension)
            readServerName(*data, message);
        else if (*type == supportedVersionsExtension) {
            // A ClientHello lists its versions behind one octet of length; a ServerHello
            // names the one it chose.
            zem::ByteCursor versions(*data);
            if (message.type == tlsHandshake::clientHello) {
                if (const auto list = versions.vector8())
                    message.supportedVersions = numbers16(*list);
            } else if (const auto chosen = versions.u16())
                message.supportedVersions = {*chosen};
        }
    }
}

void readHello(zem::ByteCursor body, TlsHandshake& message) {
    message.version = body.u16();
    if (!body.take(32) || !body.vector8()) // random, session id
        return;
    if (message.type == tlsHandshake::clientHello) {
        const auto suites = body.vector16();
        if (!suites || !body.vector8()) // compression methods
            return;
        message.cipherSuites = numbers16(*suites);
    } else {
        const auto suite = body.u16();
        if (!suite || !body.u8()) // compression method
            return;
        message.cipherSuites = {*suite};
    }
    readExtensions(body, message);
}

// TLS 1.2's list of DER certificates, each behind three octets of length.
bool readCertificateList(zem::ByteView list, bool withExtensions, TlsHandshake& message) {
    zem::ByteCursor certificates(list);
    while (!certificates.done()) {
        const auto der = certificates.vector24();
        if (!der || (withExtensions && !certificates.vector16()))
            return false;
        message.certificates.push_back(der->copy());
    }
    return true;
}

void readCertificate(zem::ByteView body, TlsHandshake& message) {
    zem::ByteCursor tls12(body);
    if (const auto list = tls12.vector24();
        list && tls12.done() && readCertificateList(*list, false, message))
        return;
    // TLS 1.3 (RFC 8446 section 4.4.2): a request context first, and extensions after
    // each certificate.
    message.certificates.clear();
    zem::ByteCursor tls13(body);
    if (!tls13.vector8())
        return;
    if (const auto list = tls13.vector24())
        readCertificateList(*list, true, message);
}

void readCertificateRequest(zem::ByteView body, TlsHandshake& message) {
    zem::ByteCursor request(body);
    if (!request.vector8() || !request.vector16()) // certificate types, signature algorithms
        return;
    const auto authorities = request.vector16();
    if (!authorities)
        return;
    zem::ByteCursor names(*authorities);
    while (const auto name = names.vector16())
        message.certificateAuthorities.push_back(name->copy());
}

TlsHandshake readHandshake(std::uint8_t type, zem::ByteView body) {
    TlsHandshake message;
    message.type = type;
    message.length = static_cast<std::uint32_t>(body.size());
    switch (type) {
    case tlsHandshake::clientHello:
    case tlsHandshake::serverHello:
        readHello(zem::ByteCursor(body), message);
        break;
    case tlsHandshake::certificate:
        readCertificate(body, message);
        break;
    case tlsHandshake::certificateRequest:
        readCertificateRequest(body, message);
        break;
    default:
        break;
    }
    return message;
}

// Handshake messages may span records: the clear handshake octets are gathered, and
// each whole message read as soon as its last octet is there.
class HandshakeStream {
public:
    void add(zem::ByteView octets, TlsFlight& flight) {
        pending_.insert(pending_.end(), octets.begin(), octets.end());
        zem::ByteCursor cursor{zem::ByteView(pending_)};
        std::size_t used = 0;
        while (true) {
            const auto type = cursor.u8();
            const auto body = type ? cursor.vector24() : std::nullopt;
            if (!body)
                break;
            flight.handshakes.push_back(readHandshake(*type, *body));
            used = pending_.size() - cursor.remaining();
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
    }
    bool empty() const { return pending_.empty(); }

private:
    zem::ByteBuffer pending_;
};

bool knownContentType(std::uint8_t type) {
    return type >= tlsContent::changeCipherSpec && type <= 24; // up to heartbeat
}

} // namespace

TlsFlight readTlsFlight(zem::ByteView octets) {
    TlsFlight flight;
    HandshakeStream handshakes;
    bool cipherChanged = false;
    zem::ByteCursor cursor(octets);
    while (!cursor.done()) {
        const auto offset = octets.size() - cursor.remaining();
        const auto header = cursor.take(recordHeaderSize);
        if (!header) {
            addNote(flight, "A record header cut short", offset);
            break;
        }
        TlsRecord record;
        record.contentType = *header->at(0);
        record.version = *header->loadBigEndian16(1);
        record.length = *header->loadBigEndian16(3);
        if (!knownContentType(record.contentType) || (record.version >> 8) != 3 ||
            record.length > maxRecordLength) {
            addNote(flight, "Octets that are no TLS record", offset);
            break;
        }
        const auto body = cursor.take(record.length);
        if (!body) {
            flight.records.push_back(record);
            addNote(flight, "A record cut short", offset);
            break;
        }
        switch (record.contentType) {
        case tlsContent::changeCipherSpec:
            cipherChanged = true;
            break;
        case tlsContent::alert:
            if (!cipherChanged && body->size() == 2)
                record.alert = TlsAlert{*body->at(0), *body->at(1)};
            else
                record.encrypted = true;
            break;
        case tlsContent::handshake:
            if (cipherChanged)
                record.encrypted = true;
            else
                handshakes.add(*body, flight);
            break;
        case tlsContent::applicationData:
            record.encrypted = true;
            break;
        default:
            break;
        }
        flight.records.push_back(record);
    }
    if (!handshakes.empty())
        flight.notes.push_back("A handshake message cut short");
    return flight;
}

std::optional<std::uint16_t> TlsFlight::chosenVersion() const {
    for (const auto& message : handshakes)
        if (message.type == tlsHandshake::serverHello) {
            if (!message.supportedVersions.empty())
                return message.supportedVersions.front();
            return message.version;
        }
    return std::nullopt;
}

std::optional<std::uint16_t> TlsFlight::chosenCipherSuite() const {
    for (const auto& message : handshakes)
        if (message.type == tlsHandshake::serverHello && !message.cipherSuites.empty())
            return message.cipherSuites.front();
    return std::nullopt;
}

std::optional<TlsAlert> TlsFlight::alert() const {
    for (const auto& record : records)
        if (record.alert)
            return record.alert;
    return std::nullopt;
}

} // namespace analysis
