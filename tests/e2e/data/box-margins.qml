// A box whose only control sits in its middle: everything around it is left to the bar window.
import QtQuick

Rectangle {
    width: 245
    height: 24
    color: "#203040"

    Rectangle {
        x: 95
        y: 7
        width: 55
        height: 10
        color: "#e08020"
        MouseArea {
            anchors.fill: parent
            onClicked: flash.fscommand("comment", "box")
        }
    }
}
