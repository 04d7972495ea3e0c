#pragma once

#include "common/UserRecord.h"
#include "panels/PanelWindow.h"

#include <array>
#include <cstdint>

class QCloseEvent;

namespace brisma {

class PanelHost;

// The registration panel of the first start: the profile its movie sends field by field.
class frmStart : public PanelWindow {
public:
    frmStart(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
             FlashPlayer::CommandHandler onCommand, PanelHost& host, UserRecord& user,
             std::array<int16_t, 8>& intSelectedChannel);

    ProfileFields fields;

    // The fields into the profile, the running version, both user files saved.
    void DoReflect();
    // Hides the panel, takes the channel-set text as the selection, saves both user files.
    void ChSet(const std::string& strCh);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PanelHost& host_;
    UserRecord& user_;
    std::array<int16_t, 8>& intSelectedChannel_;
};

} // namespace brisma
