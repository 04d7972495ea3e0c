#include "panels/modFlashListener.h"

#include "common/BrismaError.h"
#include "movie/frmMovie.h"
#include "news/MovieHeadlines.h"
#include "news/clsBrismaNewsList.h"
#include "panels/PanelHost.h"
#include "panels/frmChannel.h"
#include "panels/frmList.h"
#include "panels/frmStart.h"
#include "panels/frmUser.h"
#include "report/modInet.h"
#include "userdata/modUserData.h"

#include <array>
#include <string_view>
#include <utility>

namespace brisma {
namespace {

// The headline field commands of the list and box families.
constexpr std::array<std::pair<std::string_view, std::string clsBrismaNews::*>, 9> kNewsFields{{
    {"list:click:text", &clsBrismaNews::strNewsText},
    {"list:click:url", &clsBrismaNews::strNewsUrl},
    {"list:click:id", &clsBrismaNews::strID},
    {"list:click:credit", &clsBrismaNews::strContName},
    {"list:click:type", &clsBrismaNews::strNewsType},
    {"box:searchlog:text", &clsBrismaNews::strNewsText},
    {"box:searchlog:url", &clsBrismaNews::strNewsUrl},
    {"box:searchlog:id", &clsBrismaNews::strID},
    {"box:searchlog:credit", &clsBrismaNews::strContName},
}};

// The field suffix of a profile command "<prefix><suffix>", or empty. Only a command that names
// a field loads its panel.
std::string_view profileSuffix(std::string_view command, std::string_view prefix) {
    if (command.substr(0, prefix.size()) != prefix || !ProfileFields::isField(command.substr(prefix.size())))
        return {};
    return command.substr(prefix.size());
}

} // namespace

modFlashListener::modFlashListener(const ErrorReporter& errors, MessageBoxService& messages, PanelHost& host,
                                   modUserData& userData, modInet& inet, MovieHeadlines& movies)
    : errors_(errors), messages_(messages), host_(host), userData_(userData), inet_(inet), movies_(movies) {}

void modFlashListener::throwValue(const std::string& command, const std::string& args) {
    withHandler(errors_, "modFlashlistener.throwValue >", [&] { perform(command, args); });
}

clsBrismaNews& modFlashListener::flashNews() {
    if (!objFlashNews)
        brisma::raise(err::ObjectNotSet);
    return *objFlashNews;
}

void modFlashListener::perform(const std::string& command, const std::string& args) {
    using Action = void (*)(modFlashListener&, const std::string&);
    static constexpr std::array<std::pair<std::string_view, Action>, 16> kActions{{
        {"list:click:new",
         [](modFlashListener& l, const std::string&) { l.objFlashNews.emplace(l.errors_); }},
        {"list:click:done", [](modFlashListener& l, const std::string&) { l.clickDone(); }},
        {"box:list", [](modFlashListener& l, const std::string&) { l.boxList(); }},
        {"box:searchlog:new",
         [](modFlashListener& l, const std::string&) { l.objFlashNews.emplace(l.errors_); }},
        {"box:searchlog:done",
         [](modFlashListener& l, const std::string&) { l.userData_.setClickLog(l.flashNews()); }},
        {"channel:chset", [](modFlashListener& l, const std::string& a) { l.channelChset(a); }},
        {"channel:close", [](modFlashListener& l, const std::string&) { l.channelClose(); }},
        {"user:close", [](modFlashListener& l, const std::string&) { l.host_.userForm().hide(); }},
        {"user:done",
         [](modFlashListener& l, const std::string&) {
             l.host_.userForm().DoReflect();
             l.userData_.updateUserData();
         }},
        {"start:done", [](modFlashListener& l, const std::string&) { l.startDone(); }},
        {"start:chset", [](modFlashListener& l, const std::string& a) { l.startChset(a); }},
        {"start:close", [](modFlashListener& l, const std::string&) { l.startClose(); }},
        {"movie:close",
         [](modFlashListener& l, const std::string&) {
             frmMovie& movie = l.host_.movie();
             movie.CloseMovie();
             movie.hide();
         }},
        {"comment", [](modFlashListener&, const std::string&) {}},
        {"killall", [](modFlashListener& l, const std::string&) { l.host_.EndApp(); }},
        {"log", [](modFlashListener& l, const std::string& a) { l.inet_.SendDirectLog(a); }},
    }};
    for (const auto& [text, action] : kActions)
        if (text == command)
            return action(*this, args);
    for (const auto& [text, field] : kNewsFields)
        if (text == command) {
            flashNews().*field = args;
            return;
        }
    if (const std::string_view suffix = profileSuffix(command, "user:"); !suffix.empty())
        *host_.userForm().fields.field(suffix) = args;
    else if (const std::string_view startSuffix = profileSuffix(command, "start:"); !startSuffix.empty())
        *host_.startForm().fields.field(startSuffix) = args;
}

void modFlashListener::clickDone() {
    clsBrismaNews& news = flashNews();
    userData_.setClickLog(news);
    if (news.strNewsType != "mov")
        return;
    host_.movie().playMovie(news.extMovieID());
    clsBrismaNewsList& list = movies_.movieList();
    list.CopyTo(news, list.GetIndexById(news.strID));
    inet_.SendViewLog(news.strViewURL);
}

void modFlashListener::boxList() {
    const QRect bar = host_.tickerGeometry();
    const auto x = static_cast<float>(bar.width() - 10);
    const auto y = static_cast<float>(bar.top() + 10);
    frmList& list = host_.list();
    if (list.blnOpen)
        list.HideList(x, y);
    else
        list.ShowList(x, y, 0);
}

void modFlashListener::channelChset(const std::string& args) {
    if (!host_.blnFirstStart()) {
        host_.channelForm().ChSet(args);
        return;
    }
    if (keptOnRegistration())
        return;
    frmChannel& channel = host_.channelForm();
    // A text that does not parse leaves the first start on this panel.
    channel.SetFav(args);
    host_.blnFirstStart() = false;
    host_.SaveUserFiles();
    host_.StartApp();
    host_.channelForm().hide();
}

void modFlashListener::startDone() {
    host_.startForm().DoReflect();
    inet_.RegistUser();
    if (!keptOnRegistration())
        return;
    messages_.showCaptioned(
        "ユーザー登録ができませんでした。インターネットへの接続を確かめて、もう一度登録してください。",
        "Brisma3");
    host_.startForm().reloadMovie("start2.swf");
}

// During the first start the selection sent with the registration ends it as the channel panel's
// would; a text that does not parse leaves the registration panel shown.
void modFlashListener::startChset(const std::string& args) {
    if (!host_.blnFirstStart()) {
        host_.startForm().ChSet(args);
        return;
    }
    if (keptOnRegistration())
        return;
    std::array<int16_t, 8> parsed{};
    frmChannel::SetFav(args, parsed);
    host_.startForm().ChSet(args);
    host_.blnFirstStart() = false;
    host_.StartApp();
}

bool modFlashListener::keptOnRegistration() {
    if (!host_.blnFirstStart() || host_.registered())
        return false;
    host_.startForm().show();
    return true;
}

void modFlashListener::channelClose() {
    if (!host_.blnFirstStart()) {
        host_.channelForm().hide();
        return;
    }
    messages_.showCaptioned("変更ボタンを押してください。", "Brisma3");
    openChannelPanel();
}

void modFlashListener::startClose() {
    if (keptOnRegistration())
        return;
    host_.startForm().hide();
    openChannelPanel();
}

void modFlashListener::openChannelPanel() {
    frmChannel& channel = host_.channelForm();
    channel.ReloadSWF();
    channel.show();
}

} // namespace brisma
