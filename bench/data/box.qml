import QtQuick
import QtQuick.Controls

// The bar's box: a strip with one button.
Rectangle {
    width: 245; height: 24
    color: "#202830"
    Button {
        anchors.right: parent.right; anchors.verticalCenter: parent.verticalCenter
        height: 20; text: "設定"
        onClicked: flash.fscommand("menu", "")
    }
}
