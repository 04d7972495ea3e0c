import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A panel-sized grid of channel switches.
Rectangle {
    width: 660; height: 560
    GridLayout {
        anchors.fill: parent; anchors.margins: 12
        columns: 3
        Repeater {
            model: 24
            CheckBox { text: "チャンネル " + (index + 1); onToggled: flash.fscommand("channel", String(index)) }
        }
    }
}
