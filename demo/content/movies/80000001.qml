// Movie advertisement: a product teaser. The headline bar plays it in the movie window; it loops
// while the player plays and closes the window with its "閉じる" button.
import QtQuick

Rectangle {
    id: root
    width: 660
    height: 560
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#f4f1ea" }
        GradientStop { position: 1.0; color: "#ddd6c8" }
    }

    // The product: a thin notebook drawn in two plates, opening on the stage.
    Item {
        id: product
        width: 300
        height: 200
        anchors.horizontalCenter: parent.horizontalCenter
        y: 70
        opacity: 0

        Rectangle {
            id: lid
            width: 260
            height: 168
            radius: 8
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: base.top
            color: "#2c3440"
            // Hinged at its lower edge: it opens towards the viewer.
            transform: Rotation {
                id: hinge
                origin.x: lid.width / 2
                origin.y: lid.height
                axis { x: 1; y: 0; z: 0 }
                angle: 85
            }
            Rectangle {
                anchors.fill: parent
                anchors.margins: 8
                radius: 4
                gradient: Gradient {
                    GradientStop { position: 0.0; color: "#7fb2d9" }
                    GradientStop { position: 1.0; color: "#3d6f99" }
                }
            }
        }
        Rectangle {
            id: base
            width: 300
            height: 12
            radius: 6
            anchors.bottom: parent.bottom
            color: "#9aa3ad"
        }
    }

    Text {
        id: copy
        anchors.horizontalCenter: parent.horizontalCenter
        y: 310
        text: "軽さは、自由だ。"
        color: "#2c3440"
        font.pixelSize: 36
        font.bold: true
        opacity: 0
    }

    Text {
        id: name
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: copy.bottom
        anchors.topMargin: 14
        text: "ひかりノート S1　重さ 890g"
        color: "#56606c"
        font.pixelSize: 18
        opacity: 0
    }

    // The release date: a printed line between two rules, nothing to press.
    Row {
        id: badge
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: name.bottom
        anchors.topMargin: 22
        spacing: 12
        opacity: 0
        Rectangle { width: 40; height: 1; color: "#c8553d"; anchors.verticalCenter: parent.verticalCenter }
        Text {
            text: "12月15日 全国で発売"
            color: "#c8553d"
            font.pixelSize: 17
            font.bold: true
            font.letterSpacing: 2
        }
        Rectangle { width: 40; height: 1; color: "#c8553d"; anchors.verticalCenter: parent.verticalCenter }
    }

    Text {
        anchors.left: parent.left
        anchors.bottom: parent.bottom
        anchors.margins: 18
        text: "ひかり電機"
        color: "#8a8f96"
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
        color: closeArea.containsMouse ? "#2c3440" : "#56606c"
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

    // Back to the first frame: the notebook closed, every text hidden.
    function reset() {
        product.opacity = 0;
        hinge.angle = 85;
        copy.opacity = 0;
        name.opacity = 0;
        badge.opacity = 0;
        badge.scale = 0.8;
    }

    SequentialAnimation {
        running: flash.playing
        loops: Animation.Infinite
        ScriptAction { script: root.reset() }
        NumberAnimation { target: product; property: "opacity"; to: 1; duration: 400 }
        NumberAnimation { target: hinge; property: "angle"; to: 0; duration: 900; easing.type: Easing.OutCubic }
        NumberAnimation { target: copy; property: "opacity"; to: 1; duration: 500 }
        NumberAnimation { target: name; property: "opacity"; to: 1; duration: 400 }
        ParallelAnimation {
            NumberAnimation { target: badge; property: "opacity"; to: 1; duration: 350 }
            NumberAnimation { target: badge; property: "scale"; to: 1; duration: 350; easing.type: Easing.OutBack }
        }
        PauseAnimation { duration: 3500 }
        NumberAnimation { targets: [product, copy, name, badge]; property: "opacity"; to: 0; duration: 500 }
    }
}
