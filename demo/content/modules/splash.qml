// Splash panel: shown while the client starts. Its picture is whole from the first frame, since
// a start on a fast server may show it only briefly; a headline sweeps the strip at the bottom
// once, and a jump to frame 0 sweeps it again.
import QtQuick

Rectangle {
    id: root
    width: 275
    height: 275
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#20335a" }
        GradientStop { position: 1.0; color: "#0e1a33" }
    }

    readonly property string face: "IPAPGothic"

    // The product's mark: three headlines running through an orange tile.
    Rectangle {
        id: mark
        width: 96
        height: 96
        radius: width * 0.22
        anchors.horizontalCenter: parent.horizontalCenter
        y: 44
        color: "#ff8a1f"
        Repeater {
            model: [0.6, 0.42, 0.5]
            Rectangle {
                required property real modelData
                required property int index
                x: mark.width * 0.2
                y: mark.height * (0.235 + 0.21 * index)
                width: mark.width * modelData
                height: mark.height * 0.11
                radius: height / 2
                color: "white"
            }
        }
    }

    Text {
        id: title
        anchors.horizontalCenter: parent.horizontalCenter
        y: 156
        text: "Brisma"
        color: "white"
        font.family: root.face
        font.pixelSize: 34
        font.bold: true
        font.letterSpacing: 1
    }

    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: title.bottom
        anchors.topMargin: 4
        text: "ニュースを、デスクトップに。"
        color: "#c9d4ea"
        font.family: root.face
        font.pixelSize: 13
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
        font.family: root.face
        font.pixelSize: 11
    }

    NumberAnimation {
        id: intro
        running: flash.playing
        target: sweep
        property: "x"
        from: -sweep.width
        to: strip.width
        duration: 900
        easing.type: Easing.InOutQuad
    }

    Connections {
        target: flash
        function onFrameSet(frame) { intro.restart(); }
    }
}
