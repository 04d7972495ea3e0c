#include "bar/frmTicker.h"

#include "news/modChannel.h"

namespace brisma {

frmTicker::frmTicker(AppContext& ctx, modChannel& channels, FlashPlayerFactory& players)
    : ctx_(ctx), channels_(channels), swfPlayer_(players.create("ticker", this)) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedHeight(24);
}

frmTicker::~frmTicker() = default;

// The strip, painting, scrolling and placement come with the bar's own work.
void frmTicker::ReloadSWF() {
    swfPlayer_->setMovie(ctx_.serverBase);
    swfPlayer_->setMovie(ctx_.paths.flashModule("box.swf"));
}
void frmTicker::InitTicker() {}
void frmTicker::OpenTicker() {}
void frmTicker::CloseTicker() {}
void frmTicker::StartTicker() {}
void frmTicker::StopTicker() {}
void frmTicker::ResetLocation() {}

} // namespace brisma
