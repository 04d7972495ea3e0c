#include "server/model/Query.h"

namespace brisma::server {

std::optional<std::string> firstValue(const Query& query, std::string_view key) {
    for (const QueryPair& pair : query)
        if (pair.key == key)
            return pair.value;
    return std::nullopt;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace brisma::server
