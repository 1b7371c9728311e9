#include "ZEMUUID.hpp"

#include <uuid/uuid.h>

namespace zem {

ZEMUUID ZEMUUID::random() {
    ZEMUUID id;
    uuid_generate_random(id.bytes_.data());
    return id;
}

std::optional<ZEMUUID> ZEMUUID::parse(std::string_view text) {
    if (text.size() != 36)
        return std::nullopt;
    char buffer[37];
    text.copy(buffer, 36);
    buffer[36] = '\0';
    ZEMUUID id;
    if (uuid_parse(buffer, id.bytes_.data()) != 0)
        return std::nullopt;
    return id;
}

std::string ZEMUUID::text() const {
    char buffer[37];
    uuid_unparse_upper(bytes_.data(), buffer);
    return buffer;
}

} // namespace zem
