// Movie advertisement: a service announcement. Its notices come in one after another, loop while
// the player plays, and its "閉じる" button closes the movie window.
import QtQuick

Rectangle {
    id: root
    width: 660
    height: 560
    color: "#14283f"
    // How far the announcement has come in: heading, title, then each notice.
    property int step: 0

    // A slow band of light across the stage.
    Rectangle {
        id: band
        width: 180
        height: parent.height * 1.6
        rotation: 20
        y: -parent.height * 0.3
        x: -width
        opacity: 0.08
        color: "white"
    }

    Text {
        id: heading
        x: 48
        y: 96
        text: "Brisma からのお知らせ"
        color: "#ff8a1f"
        font.pixelSize: 16
        font.bold: true
        opacity: root.step >= 1 ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 400 } }
    }

    Text {
        id: title
        x: 48
        anchors.top: heading.bottom
        anchors.topMargin: 10
        text: "年末年始のニュース配信について"
        color: "white"
        font.pixelSize: 30
        font.bold: true
        opacity: root.step >= 2 ? 1 : 0
        Behavior on opacity { NumberAnimation { duration: 500 } }
    }

    Column {
        id: notices
        x: 48
        anchors.top: title.bottom
        anchors.topMargin: 36
        spacing: 20

        Repeater {
            model: [
                "12月29日から1月3日は、一部チャンネルの更新を休みます。",
                "天気・交通の速報は、休まずお届けします。",
                "動画広告は、バーの見出しをクリックするといつでも見られます。"
            ]
            Row {
                required property string modelData
                required property int index
                spacing: 12
                opacity: root.step >= 3 + index ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: 400 } }
                Rectangle {
                    width: 8
                    height: 8
                    radius: 4
                    y: 7
                    color: "#ff8a1f"
                }
                Text {
                    width: 560
                    wrapMode: Text.Wrap
                    text: parent.modelData
                    color: "#d5deea"
                    font.pixelSize: 17
                }
            }
        }
    }

    Text {
        x: 48
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24
        text: "今年も Brisma をご利用いただき、ありがとうございました。"
        color: "#7f93ad"
        font.pixelSize: 13
    }

    Rectangle {
        id: closeButton
        objectName: "closeButton"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 14
        width: 88
        height: 30
        radius: 4
        color: closeArea.containsMouse ? "#ff8a1f" : "#2a4565"
        Text {
            anchors.centerIn: parent
            text: "閉じる"
            color: "white"
            font.pixelSize: 14
        }
        MouseArea {
            id: closeArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: flash.fscommand("movie:close", "")
        }
    }

    SequentialAnimation {
        running: flash.playing
        loops: Animation.Infinite
        PropertyAction { target: band; property: "x"; value: -band.width }
        ParallelAnimation {
            NumberAnimation { target: band; property: "x"; to: root.width; duration: 2600; easing.type: Easing.InOutSine }
            SequentialAnimation {
                PropertyAction { target: root; property: "step"; value: 1 }
                PauseAnimation { duration: 400 }
                PropertyAction { target: root; property: "step"; value: 2 }
                PauseAnimation { duration: 500 }
                PropertyAction { target: root; property: "step"; value: 3 }
                PauseAnimation { duration: 400 }
                PropertyAction { target: root; property: "step"; value: 4 }
                PauseAnimation { duration: 400 }
                PropertyAction { target: root; property: "step"; value: 5 }
            }
        }
        PauseAnimation { duration: 3500 }
        PropertyAction { target: root; property: "step"; value: 0 }
        PauseAnimation { duration: 600 }
    }
}
