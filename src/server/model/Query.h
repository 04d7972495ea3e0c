#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A request's query as the client builds it: values go in unescaped, so an `&` inside an e-mail
// address splits it. What arrived is kept key by key, in order, duplicates included.
namespace brisma::server {

struct QueryPair {
    std::string key;
    std::optional<std::string> value; // none: the part had no `=`
};
using Query = std::vector<QueryPair>;

// The value of the first `key` of the query; none when no part names it.
std::optional<std::string> firstValue(const Query& query, std::string_view key);

// The value of a hex digit of a percent escape; -1 for a character that is none.
int hexValue(char c);

} // namespace brisma::server
