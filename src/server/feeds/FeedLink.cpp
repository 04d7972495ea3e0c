#include "server/feeds/FeedLink.h"

#include <QString>
#include <QUrl>

namespace brisma::server {

std::optional<std::string> absoluteLink(std::string_view href, std::string_view base) {
    const QString trimmed = QString::fromUtf8(href.data(), static_cast<qsizetype>(href.size())).trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QUrl relative(trimmed, QUrl::TolerantMode);
    const QUrl from(QString::fromUtf8(base.data(), static_cast<qsizetype>(base.size())), QUrl::TolerantMode);
    const QUrl url = relative.isRelative() ? from.resolved(relative) : relative;
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https") || url.host().isEmpty())
        return std::nullopt;
    return url.toString(QUrl::FullyEncoded).toStdString();
}

} // namespace brisma::server
