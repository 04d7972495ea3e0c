#include "RecordingFlashPlayer.h"

namespace brisma {

RecordingFlashPlayer::~RecordingFlashPlayer() {
    if (factory_)
        factory_->forget(this);
}

void RecordingFlashPlayer::setMovie(const std::string& movie) {
    movie_ = movie;
    frame_ = 0;
    calls_.push_back("Movie=" + movie);
}

void RecordingFlashPlayer::Play() {
    playing_ = true;
    calls_.emplace_back("Play");
}

void RecordingFlashPlayer::Stop() {
    playing_ = false;
    calls_.emplace_back("Stop");
}

void RecordingFlashPlayer::GotoFrame(int frame) {
    frame_ = frame;
    calls_.push_back("GotoFrame " + std::to_string(frame));
}

void RecordingFlashPlayer::setPlaying(bool playing) {
    playing_ = playing;
    calls_.push_back(playing ? "Playing=True" : "Playing=False");
}

void RecordingFlashPlayer::setFrameNum(int frame) {
    frame_ = frame;
    calls_.push_back("FrameNum=" + std::to_string(frame));
}

void RecordingFlashPlayer::setFlashVars(const std::string& vars) {
    calls_.push_back("FlashVars=" + vars);
}

RecordingPlayerFactory::~RecordingPlayerFactory() {
    for (RecordingFlashPlayer* player : players_)
        player->factory_ = nullptr;
}

std::unique_ptr<FlashPlayer> RecordingPlayerFactory::create(const std::string& name, QWidget*) {
    auto player = std::make_unique<RecordingFlashPlayer>(name, this);
    players_.push_back(player.get());
    return player;
}

RecordingFlashPlayer* RecordingPlayerFactory::player(const std::string& name) const {
    for (auto it = players_.rbegin(); it != players_.rend(); ++it)
        if ((*it)->name() == name)
            return *it;
    return nullptr;
}

void RecordingPlayerFactory::forget(RecordingFlashPlayer* player) {
    std::erase(players_, player);
}

} // namespace brisma
