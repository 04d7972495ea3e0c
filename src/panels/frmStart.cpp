#include "panels/frmStart.h"

namespace brisma {

frmStart::frmStart(AppContext& ctx, FlashPlayerFactory& players, modFlashListener& listener)
    : PanelWindow(ctx, players, listener, "start", 600, 480) {
    setWindowTitle(QStringLiteral("Brisma"));
    swfPlayer().setMovie(modulePath("start2.swf"));
}

} // namespace brisma
