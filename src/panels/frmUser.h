#pragma once

#include "common/UserRecord.h"
#include "panels/PanelWindow.h"

class QCloseEvent;

namespace brisma {

class PanelHost;

// The profile panel opened from the menu: the changed profile its movie sends field by field.
class frmUser : public PanelWindow {
public:
    frmUser(const AppPaths& paths, const std::string& serverBase, FlashPlayerFactory& players,
            FlashPlayer::CommandHandler onCommand, PanelHost& host, UserRecord& user);

    ProfileFields fields;

    // The fields into the profile, both user files saved, the panel hidden.
    void DoReflect();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PanelHost& host_;
    UserRecord& user_;
};

} // namespace brisma
