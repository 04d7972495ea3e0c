#include "platform/player/RefusingNetworkFactory.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrl>

namespace brisma {
namespace {

class RefusingNetworkAccessManager : public QNetworkAccessManager {
public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest&, QIODevice*) override {
        // A scheme no backend serves: the reply fails with "protocol unknown" and does no I/O.
        return QNetworkAccessManager::createRequest(op, QNetworkRequest(QUrl(QStringLiteral("refused:"))),
                                                    nullptr);
    }
};

} // namespace

QNetworkAccessManager* RefusingNetworkFactory::create(QObject* parent) {
    return new RefusingNetworkAccessManager(parent);
}

} // namespace brisma
