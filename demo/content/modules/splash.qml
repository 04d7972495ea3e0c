// Splash panel: shown while the client starts. Plays once; a jump to frame 0 plays it again.
import QtQuick

Rectangle {
    id: root
    width: 275
    height: 275
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#20335a" }
        GradientStop { position: 1.0; color: "#0e1a33" }
    }

    Item {
        id: mark
        width: 96
        height: 96
        anchors.horizontalCenter: parent.horizontalCenter
        y: 44
        opacity: 0
        scale: 0.8

        Rectangle {
            anchors.fill: parent
            radius: 22
            color: "#ff8a1f"
        }
        // Three headlines running through the mark.
        Column {
            anchors.centerIn: parent
            spacing: 9
            Repeater {
                model: [56, 40, 48]
                Rectangle {
                    required property int modelData
                    required property int index
                    width: modelData
                    height: 8
                    radius: 4
                    color: "white"
                    opacity: 1 - index * 0.2
                }
            }
        }
    }

    Text {
        id: title
        anchors.horizontalCenter: parent.horizontalCenter
        y: 156
        text: "Brisma"
        color: "white"
        font.pixelSize: 34
        font.bold: true
        font.letterSpacing: 1
        opacity: 0
    }

    Text {
        id: tagline
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: title.bottom
        anchors.topMargin: 4
        text: "ニュースを、デスクトップに。"
        color: "#c9d4ea"
        font.pixelSize: 13
        opacity: 0
    }

    // A headline sweeping through the strip at the bottom, once.
    Rectangle {
        id: strip
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 28
        anchors.horizontalCenter: parent.horizontalCenter
        width: 211
        height: 4
        radius: 2
        color: "#2d4370"
        clip: true

        Rectangle {
            id: sweep
            width: 60
            height: parent.height
            radius: 2
            x: -width
            color: "#ff8a1f"
        }
    }

    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 8
        text: "起動しています…"
        color: "#8797b8"
        font.pixelSize: 11
    }

    SequentialAnimation {
        id: intro
        running: flash.playing
        ParallelAnimation {
            NumberAnimation { target: mark; property: "opacity"; to: 1; duration: 450 }
            NumberAnimation { target: mark; property: "scale"; to: 1; duration: 450; easing.type: Easing.OutBack }
        }
        NumberAnimation { target: title; property: "opacity"; to: 1; duration: 300 }
        NumberAnimation { target: tagline; property: "opacity"; to: 1; duration: 300 }
        NumberAnimation { target: sweep; property: "x"; from: -sweep.width; to: strip.width; duration: 900; easing.type: Easing.InOutQuad }
    }

    Connections {
        target: flash
        function onFrameSet(frame) {
            mark.opacity = 0;
            mark.scale = 0.8;
            title.opacity = 0;
            tagline.opacity = 0;
            sweep.x = -sweep.width;
            intro.restart();
        }
    }
}
