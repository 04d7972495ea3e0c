#include "server/model/Query.h"

namespace brisma::server {

std::optional<std::string> firstValue(const Query& query, std::string_view key) {
    for (const QueryPair& pair : query)
        if (pair.key == key)
            return pair.value;
    return std::nullopt;
}

} // namespace brisma::server
