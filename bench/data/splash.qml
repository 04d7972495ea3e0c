import QtQuick

// A splash with a short fade and a closing command.
Rectangle {
    width: 275; height: 275
    color: "#ffffff"
    Text { id: title; anchors.centerIn: parent; text: "Brisma"; font.pixelSize: 32; opacity: 0 }
    SequentialAnimation {
        running: flash.playing
        NumberAnimation { target: title; property: "opacity"; to: 1; duration: 600 }
        ScriptAction { script: flash.fscommand("splash", "end") }
    }
}
