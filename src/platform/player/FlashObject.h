#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <string>

namespace brisma {

// The context object `flash` that every movie sees: the player's state as the system set it, and
// the few services a movie may use.
class FlashObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString flashVars READ flashVars NOTIFY flashVarsChanged)
    Q_PROPERTY(QVariantMap vars READ vars NOTIFY flashVarsChanged)
    Q_PROPERTY(int frame READ frame NOTIFY frameChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    Q_PROPERTY(QString appFolder READ appFolderUrl CONSTANT)

public:
    using CommandSink = std::function<void(const std::string& command, const std::string& args)>;
    using OpenUrl = std::function<void(const std::string& url)>;

    // `appFolder` canonical; `openUrl` receives http and https addresses only.
    FlashObject(const QString& appFolder, OpenUrl openUrl, CommandSink commands);

    // The FSCommand event with two texts.
    Q_INVOKABLE void fscommand(const QString& command, const QString& args = QString());
    // The document element of an XML file below the application folder, read by the system's
    // reader (Shift_JIS included), as {name, text, attributes, children}: `name` the qualified
    // name, `text` the text of the whole subtree, `attributes` name -> value, `children` the
    // element children in order. `path` is relative to the application folder (an absolute path
    // or a file URL is taken as it is); null when it leaves the folder or does not load.
    Q_INVOKABLE QVariant readXml(const QString& path) const;
    // Hands an http or https address to the desktop's browser; anything else is dropped.
    Q_INVOKABLE void openUrl(const QString& url) const;

    QString flashVars() const { return flashVars_; }
    QVariantMap vars() const { return vars_; }
    int frame() const { return frame_; }
    bool playing() const { return playing_; }
    QString appFolderUrl() const;

    // "a=1&b=x%20y": the text as given and its pairs, values percent-decoded.
    void setFlashVars(const QString& vars);
    void setFrame(int frame);
    void setPlaying(bool playing);
    // Sets the frame and emits frameSet, also when it is the frame already shown.
    void gotoFrame(int frame);

Q_SIGNALS:
    void flashVarsChanged();
    void frameChanged();
    void playingChanged();
    void frameSet(int frame);

private:
    QString appFolder_;
    OpenUrl openUrl_;
    CommandSink commands_;
    QString flashVars_;
    QVariantMap vars_;
    int frame_ = 0;
    bool playing_ = true;
};

} // namespace brisma
