#include "server/store/DatabaseAddress.h"

#include "server/store/StoreError.h"

#include <QUrl>
#include <QUrlQuery>

namespace brisma::server {

DatabaseAddress DatabaseAddress::fromSetting(std::string_view setting, const std::string& dataFolder) {
    DatabaseAddress address;
    if (setting.empty()) {
        address.file = dataFolder + "/brisma.sqlite";
        return address;
    }
    const QUrl url(QString::fromUtf8(setting.data(), static_cast<qsizetype>(setting.size())),
                   QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != u"postgresql" && scheme != u"postgres"))
        throw StoreError("database: not a postgresql:// address");
    address.postgres = true;
    address.database = url.path().mid(1).toStdString();
    if (address.database.empty())
        throw StoreError("database: the address names no database");
    address.host = url.host().toStdString();
    address.port = url.port(-1);
    address.user = url.userName().toStdString();
    address.password = url.password().toStdString();
    const QUrlQuery query(url);
    if (query.hasQueryItem(u"host"_qs))
        address.host = query.queryItemValue(u"host"_qs, QUrl::FullyDecoded).toStdString();
    if (query.hasQueryItem(u"port"_qs)) {
        bool ok = false;
        address.port = query.queryItemValue(u"port"_qs).toInt(&ok);
        if (!ok)
            throw StoreError("database: the port is not a number");
    }
    if (query.hasQueryItem(u"user"_qs))
        address.user = query.queryItemValue(u"user"_qs, QUrl::FullyDecoded).toStdString();
    return address;
}

std::string DatabaseAddress::describe() const {
    if (!postgres)
        return "SQLite " + file;
    std::string text = "PostgreSQL " + database + " on " + (host.empty() ? "the default socket" : host);
    if (port >= 0)
        text += " port " + std::to_string(port);
    return text;
}

} // namespace brisma::server
