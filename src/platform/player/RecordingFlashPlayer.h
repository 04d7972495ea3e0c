#pragma once

#include "platform/player/FlashPlayer.h"

#include <string>
#include <vector>

namespace brisma {

// The test backend: records every call as a line ("Movie=...", "Play", "GotoFrame 1", ...) and
// lets a test raise the movie's commands.
class RecordingFlashPlayer : public FlashPlayer {
public:
    explicit RecordingFlashPlayer(std::string name) : name_(std::move(name)) {}

    void setMovie(const std::string& movie) override;
    void Play() override;
    void Stop() override;
    void GotoFrame(int frame) override;
    void setPlaying(bool playing) override;
    void setFrameNum(int frame) override;
    void setFlashVars(const std::string& vars) override;
    QWidget* widget() override { return nullptr; }

    void command(const std::string& command, const std::string& args) { raiseFSCommand(command, args); }

    const std::string& name() const { return name_; }
    const std::string& movie() const { return movie_; }
    bool playing() const { return playing_; }
    int frame() const { return frame_; }
    const std::vector<std::string>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }

private:
    std::string name_;
    std::string movie_;
    bool playing_ = false;
    int frame_ = 0;
    std::vector<std::string> calls_;
};

// Makes recording players and keeps a pointer to each, by name, for the test to drive.
class RecordingPlayerFactory : public FlashPlayerFactory {
public:
    std::unique_ptr<FlashPlayer> create(const std::string& name, QWidget* parent) override;
    // The last player created under `name`, or null.
    RecordingFlashPlayer* player(const std::string& name) const;

private:
    std::vector<RecordingFlashPlayer*> players_;
};

} // namespace brisma
