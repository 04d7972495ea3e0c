#include "platform/player/FlashObject.h"

#include "platform/player/MovieUrlInterceptor.h"
#include "platform/xml/XmlDocument.h"

#include <QDir>
#include <QUrl>
#include <QVariantList>

namespace brisma {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QVariantMap toVariant(const XmlNode& element) {
    QVariantMap attributes;
    for (const auto& [name, value] : element.attributes())
        attributes.insert(qs(name), qs(value));
    QVariantList children;
    for (XmlNode child = element.firstChild(); !child.isNull(); child = child.nextSibling())
        if (child.isElement())
            children.append(toVariant(child));
    return {{QStringLiteral("name"), qs(element.nodeName())},
            {QStringLiteral("text"), qs(element.text())},
            {QStringLiteral("attributes"), attributes},
            {QStringLiteral("children"), children}};
}

} // namespace

FlashObject::FlashObject(const QString& appFolder, OpenUrl openUrl, CommandSink commands)
    : appFolder_(appFolder), openUrl_(std::move(openUrl)), commands_(std::move(commands)) {}

void FlashObject::fscommand(const QString& command, const QString& args) {
    commands_(command.toStdString(), args.toStdString());
}

QVariant FlashObject::readXml(const QString& path) const {
    const QUrl url(path);
    const QString local = url.isLocalFile() ? url.toLocalFile() : QDir(appFolder_).filePath(path);
    const QString file = canonicalBelow(appFolder_, local);
    QVariant null = QVariant::fromValue(nullptr);
    if (file.isEmpty())
        return null;
    const XmlDocument doc = XmlDocument::loadFile(file.toStdString());
    if (doc.empty())
        return null;
    return toVariant(doc.documentElement());
}

void FlashObject::openUrl(const QString& url) const {
    // Read as an address bar reads it: spaces, pipes, braces and the like are encoded, not refused.
    const QUrl parsed(url, QUrl::TolerantMode);
    const QString scheme = parsed.scheme();
    if (parsed.isValid() && !parsed.host().isEmpty() &&
        (scheme == QLatin1StringView("http") || scheme == QLatin1StringView("https")))
        openUrl_(parsed.toString(QUrl::FullyEncoded).toStdString());
}

QString FlashObject::appFolderUrl() const {
    return QUrl::fromLocalFile(appFolder_).toString();
}

void FlashObject::setFlashVars(const QString& vars) {
    flashVars_ = vars;
    vars_.clear();
    for (const QString& pair : vars.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? pair : pair.left(eq);
        const QString value = eq < 0 ? QString() : pair.mid(eq + 1);
        vars_.insert(QUrl::fromPercentEncoding(name.toUtf8()), QUrl::fromPercentEncoding(value.toUtf8()));
    }
    Q_EMIT flashVarsChanged();
}

void FlashObject::setFrame(int frame) {
    if (frame_ == frame)
        return;
    frame_ = frame;
    Q_EMIT frameChanged();
}

void FlashObject::setPlaying(bool playing) {
    if (playing_ == playing)
        return;
    playing_ = playing;
    Q_EMIT playingChanged();
}

void FlashObject::gotoFrame(int frame) {
    setFrame(frame);
    Q_EMIT frameSet(frame);
}

} // namespace brisma
