#include "server/store/StoreBackup.h"

#include "server/store/Connection.h"
#include "server/store/DatabaseAddress.h"
#include "server/store/StoreError.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace brisma::server {
namespace {

void sync(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        throw StoreError("cannot sync " + path.string());
}

} // namespace

void backUpStore(const DatabaseAddress& address, const std::string& folder) {
    namespace fs = std::filesystem;
    if (address.postgres)
        throw StoreError(
            "backup copies the SQLite store; copy a PostgreSQL one with pg_dump or pg_basebackup");
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error)
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
    if (error)
        throw StoreError("the folder " + folder + ": " + error.message());
    if (!fs::is_empty(folder, error) || error)
        throw StoreError("the folder " + folder + " is not empty");
    const fs::path copy = fs::path(folder) / "brisma.sqlite";
    try {
        Connection connection(address);
        // One read transaction: the copy is the store as one commit left it, whatever the writers do.
        QString target = QString::fromStdString(copy.string());
        target.replace(u'\'', u"''"_qs);
        connection.exec(u"VACUUM INTO '"_qs + target + u"'"_qs);
        sync(copy);
        sync(folder);
    } catch (...) {
        fs::remove(copy, error);
        throw;
    }
}

} // namespace brisma::server
