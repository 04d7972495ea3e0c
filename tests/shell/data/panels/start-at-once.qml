// Registers at once, as a user who filled in three fields would.
import QtQuick

Item {
    Component.onCompleted: {
        flash.fscommand("start:email", "new@example.com")
        flash.fscommand("start:sex", "2")
        flash.fscommand("start:prid", "13")
        flash.fscommand("start:done", "")
        flash.fscommand("start:close", "")
    }
}
