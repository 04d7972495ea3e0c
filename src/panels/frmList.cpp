#include "panels/frmList.h"

#include <utility>

namespace brisma {

frmList::frmList(AppContext& ctx, FlashPlayerFactory& players, FlashPlayer::CommandHandler onCommand)
    : PanelWindow(ctx, players, std::move(onCommand), "list", 244, 357) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    swfPlayer().setMovie(modulePath("list.swf"));
    swfPlayer().Stop();
    blnOpen = false;
    swfPlayer().Play();
}

void frmList::ReloadSWF() {
    reloadMovie("list.swf");
}

// Sliding and placement come with the list panel's own work.
void frmList::ShowList(float, float, int) {}
void frmList::HideList(float, float) {}
void frmList::ResetLocation() {}

} // namespace brisma
