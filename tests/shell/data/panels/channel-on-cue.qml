// Sends the channel-set text of flash/cue.xml once that file appears, so a test can try to
// leave the panel first.
import QtQuick

Item {
    Timer {
        interval: 20
        running: true
        repeat: true
        onTriggered: {
            var cue = flash.readXml("flash/cue.xml")
            if (cue) {
                running = false
                flash.fscommand("channel:chset", cue.text)
            }
        }
    }
}
