#include "server/channels/GeneratedDocuments.h"

namespace brisma::server {

void GeneratedDocuments::put(const std::string& path, std::string bytes) {
    auto document = std::make_shared<const std::string>(std::move(bytes));
    std::lock_guard lock(mutex_);
    documents_[path] = std::move(document);
}

std::shared_ptr<const std::string> GeneratedDocuments::get(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = documents_.find(path);
    return found == documents_.end() ? nullptr : found->second;
}

} // namespace brisma::server
