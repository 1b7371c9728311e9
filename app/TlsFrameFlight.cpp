#include "TlsFrameFlight.hpp"

namespace app {

analysis::TlsFlight tlsFrameFlight(std::span<const capture::TlsRecordEvent> events,
                                   zem::ByteView clearRecords) {
    using Kind = capture::TlsRecordEvent::Kind;
    const auto clear = analysis::readTlsFlight(clearRecords);
    analysis::TlsFlight flight;
    std::size_t nextClear = 0;
    for (const auto& event : events) {
        switch (event.kind) {
        case Kind::record: {
            analysis::TlsRecord record;
            record.contentType = event.code;
            record.version = event.version;
            record.typeHidden = event.detail == 1;
            flight.records.push_back(record);
            break;
        }
        case Kind::handshake:
        case Kind::helloRetryRequest:
            // The clear ones come in the same order, with what was read of them.
            if (nextClear < clear.handshakes.size() &&
                clear.handshakes[nextClear].type == event.code)
                flight.handshakes.push_back(clear.handshakes[nextClear++]);
            else
                flight.handshakes.emplace_back().type = event.code;
            break;
        case Kind::alert:
            if (!flight.records.empty())
                flight.records.back().alert = analysis::TlsAlert{event.code, event.detail};
            break;
        case Kind::encryptedAlert:
        case Kind::encryptedHandshake:
        case Kind::applicationData:
            if (!flight.records.empty())
                flight.records.back().encrypted = true;
            break;
        case Kind::changeCipherSpec:
            break;
        }
    }
    return flight;
}

} // namespace app
