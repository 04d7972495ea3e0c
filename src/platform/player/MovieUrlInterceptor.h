#pragma once

#include <QQmlAbstractUrlInterceptor>
#include <QString>

namespace brisma {

// The canonical path of `path` when it names something that exists at or below `canonicalFolder`
// (itself canonical); empty otherwise. Symbolic links are followed before the test.
QString canonicalBelow(const QString& canonicalFolder, const QString& path);

// What a movie may load. Everything a document names passes here (documents, qmldir files,
// scripts, images, fonts, Qt.openUrlExternally); what is refused becomes the empty address,
// which loads nothing.
//   - Qt's resources (qrc:) pass.
//   - Files of Qt's own QtQml and QtQuick modules pass (QtQml, QtQml.Models,
//     QtQml.WorkerScript, QtQuick, QtQuick.Controls with its styles, QtQuick.Layouts,
//     QtQuick.Templates, QtQuick.Window); every other module of Qt's QML folder is refused.
//   - Files below the application folder pass as documents, images and fonts, but never as an
//     import: no qmldir, no script import and no ".qml" type file from there (a movie is a
//     ".swf" file; folder imports and the types of the movie's own folder are ".qml" files).
//   - Anything else (other files, network addresses, data:, javascript:) is refused.
class MovieUrlInterceptor : public QQmlAbstractUrlInterceptor {
public:
    explicit MovieUrlInterceptor(const QString& appFolder);

    QUrl intercept(const QUrl& url, DataType type) override;

    // The application folder, canonical.
    const QString& appFolder() const { return appFolder_; }

private:
    bool inQtModule(const QString& canonicalFile) const;

    QString appFolder_;
    QString qtQmlFolder_;
};

} // namespace brisma
