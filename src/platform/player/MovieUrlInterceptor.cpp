#include "platform/player/MovieUrlInterceptor.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QUrl>
#include <array>

namespace brisma {
namespace {

QString canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

bool isBelow(const QString& canonicalFolder, const QString& canonicalPath) {
    return !canonicalFolder.isEmpty() && !canonicalPath.isEmpty() &&
           (canonicalPath == canonicalFolder || canonicalPath.startsWith(canonicalFolder + QLatin1Char('/')));
}

} // namespace

QString canonicalBelow(const QString& canonicalFolder, const QString& path) {
    const QString resolved = canonical(path);
    return isBelow(canonicalFolder, resolved) ? resolved : QString();
}

MovieUrlInterceptor::MovieUrlInterceptor(const QString& appFolder)
    : appFolder_(canonical(appFolder)),
      qtQmlFolder_(canonical(QLibraryInfo::path(QLibraryInfo::QmlImportsPath))) {}

bool MovieUrlInterceptor::inQtModule(const QString& canonicalFile) const {
    if (!isBelow(qtQmlFolder_, canonicalFile))
        return false;
    const QString module = QDir(qtQmlFolder_).relativeFilePath(QFileInfo(canonicalFile).path());
    static const std::array<QLatin1StringView, 7> exact = {QLatin1StringView("QtQml"),
                                                           QLatin1StringView("QtQml/Models"),
                                                           QLatin1StringView("QtQml/WorkerScript"),
                                                           QLatin1StringView("QtQuick"),
                                                           QLatin1StringView("QtQuick/Layouts"),
                                                           QLatin1StringView("QtQuick/Templates"),
                                                           QLatin1StringView("QtQuick/Window")};
    for (const QLatin1StringView name : exact)
        if (module == name)
            return true;
    // QtQuick.Controls loads its styles and their implementation modules from below its folder.
    return module == QLatin1StringView("QtQuick/Controls") ||
           module.startsWith(QLatin1StringView("QtQuick/Controls/"));
}

QUrl MovieUrlInterceptor::intercept(const QUrl& url, DataType type) {
    if (url.scheme() == QLatin1StringView("qrc"))
        return url;
    if (!url.isLocalFile())
        return {};
    const QString file = canonical(url.toLocalFile());
    if (file.isEmpty())
        return {};
    if (inQtModule(file))
        return url;
    const bool import = type == QmldirFile || type == JavaScriptFile ||
                        (type == QmlFile && file.endsWith(QLatin1StringView(".qml")));
    if (!import && isBelow(appFolder_, file))
        return url;
    return {};
}

} // namespace brisma
