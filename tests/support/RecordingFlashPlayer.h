#pragma once

#include "platform/player/FlashPlayer.h"

#include <string>
#include <vector>

namespace brisma {

class RecordingPlayerFactory;

// The test backend: records every call as a line ("Movie=...", "Play", "GotoFrame 1", ...) and
// lets a test raise the movie's commands.
class RecordingFlashPlayer : public FlashPlayer {
public:
    RecordingFlashPlayer(std::string name, RecordingPlayerFactory* factory)
        : name_(std::move(name)), factory_(factory) {}
    ~RecordingFlashPlayer() override;
    RecordingFlashPlayer(const RecordingFlashPlayer&) = delete;
    RecordingFlashPlayer& operator=(const RecordingFlashPlayer&) = delete;

    void setMovie(const std::string& movie) override;
    void Play() override;
    void Stop() override;
    void GotoFrame(int frame) override;
    void setPlaying(bool playing) override;
    void setFrameNum(int frame) override;
    void setFlashVars(const std::string& vars) override;
    bool hasMovie() const override { return !movie_.empty(); }
    QWidget* widget() override { return nullptr; }

    void command(const std::string& command, const std::string& args) { raiseFSCommand(command, args); }

    const std::string& name() const { return name_; }
    const std::string& movie() const { return movie_; }
    bool playing() const { return playing_; }
    int frame() const { return frame_; }
    const std::vector<std::string>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }

private:
    friend class RecordingPlayerFactory;

    std::string name_;
    RecordingPlayerFactory* factory_;
    std::string movie_;
    bool playing_ = false;
    int frame_ = 0;
    std::vector<std::string> calls_;
};

// Makes recording players and knows the living ones by name, for the test to drive. A player
// that its form destroys leaves the factory's list.
class RecordingPlayerFactory : public FlashPlayerFactory {
public:
    RecordingPlayerFactory() = default;
    ~RecordingPlayerFactory() override;
    RecordingPlayerFactory(const RecordingPlayerFactory&) = delete;
    RecordingPlayerFactory& operator=(const RecordingPlayerFactory&) = delete;

    std::unique_ptr<FlashPlayer> create(const std::string& name, QWidget* parent) override;
    // The last living player created under `name`, or null.
    RecordingFlashPlayer* player(const std::string& name) const;

private:
    friend class RecordingFlashPlayer;
    void forget(RecordingFlashPlayer* player);

    std::vector<RecordingFlashPlayer*> players_;
};

} // namespace brisma
