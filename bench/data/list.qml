import QtQuick
import QtQuick.Controls

// A panel-sized list of headlines.
Rectangle {
    width: 244; height: 357
    ListView {
        anchors.fill: parent; anchors.margins: 4
        model: 20
        delegate: ItemDelegate { width: ListView.view.width; text: "見出し " + (index + 1); onClicked: flash.fscommand("click", String(index)) }
    }
}
