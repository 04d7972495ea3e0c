// Movie shell: the stage of the movie window while no advertisement plays, or while one is loading.
import QtQuick

Rectangle {
    id: stage
    width: 660
    height: 560
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#1b2233" }
        GradientStop { position: 1.0; color: "#0b0f18" }
    }

    Column {
        anchors.centerIn: parent
        spacing: 18

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Brisma"
            color: "white"
            font.pixelSize: 40
            font.bold: true
            font.letterSpacing: 2
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "動画広告を読み込んでいます…"
            color: "#c3cbdc"
            font.pixelSize: 16
        }

        // Three dots that light up one after another while the player plays.
        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 12
            Repeater {
                model: 3
                Rectangle {
                    id: dot
                    required property int index
                    width: 10
                    height: 10
                    radius: 5
                    color: "#ff8a1f"
                    opacity: 0.25
                    SequentialAnimation {
                        running: flash.playing
                        loops: Animation.Infinite
                        PauseAnimation { duration: dot.index * 200 }
                        NumberAnimation { target: dot; property: "opacity"; to: 1; duration: 300 }
                        NumberAnimation { target: dot; property: "opacity"; to: 0.25; duration: 300 }
                        PauseAnimation { duration: (2 - dot.index) * 200 }
                    }
                }
            }
        }
    }

    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 16
        text: "ニュースを、デスクトップに。"
        color: "#5d6781"
        font.pixelSize: 12
    }
}
