import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A panel-sized form with fields and buttons.
Rectangle {
    width: 600; height: 480
    ColumnLayout {
        anchors.fill: parent; anchors.margins: 16
        Label { text: "ユーザー登録" ; font.pixelSize: 18 }
        TextField { placeholderText: "郵便番号"; Layout.fillWidth: true }
        ComboBox { model: ["東京都", "大阪府", "北海道"]; Layout.fillWidth: true }
        CheckBox { text: "ニュースを受け取る" }
        Item { Layout.fillHeight: true }
        RowLayout {
            Button { text: "OK"; onClicked: flash.fscommand("ok", "") }
            Button { text: "キャンセル"; onClicked: flash.fscommand("cancel", "") }
        }
    }
}
