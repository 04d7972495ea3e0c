#pragma once

#include <stdexcept>

namespace brisma::server {

// The database cannot be reached, or refused a statement. The text names the statement's table
// or the setting, never a value stored in it.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace brisma::server
