#pragma once

#include <QQmlNetworkAccessManagerFactory>

namespace brisma {

// The movies' network access manager: every request fails at once, none leaves the process
// and none reads a file. XMLHttpRequest and remote images go through it; the URL interceptor
// never sees XMLHttpRequest.
class RefusingNetworkFactory : public QQmlNetworkAccessManagerFactory {
public:
    QNetworkAccessManager* create(QObject* parent) override;
};

} // namespace brisma
