// Channel panel: the channels of flash/xml/channel.xml by category, ticked as in
// flash/xml/selected.xml. "変更" sends the choice (at most eight) as "channel:chset" with the
// channel-set text "1-5-12-"; "閉じる" sends "channel:close".
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

Rectangle {
    id: root
    width: 800
    height: 600
    color: "#f4f6fa"

    readonly property int maxChannels: 8
    property var groups: []     // [{category, channels: [{number, name, owner}]}]
    property var names: ({})    // number -> name
    property var chosen: []     // numbers in the order they were ticked

    // Every text in the proportional Japanese face, Latin letters included.
    readonly property string face: "IPAPGothic"
    component T: Text { font.family: root.face }
    // The product's mark: three headlines running through an orange tile.
    component Mark: Rectangle {
        id: tile
        width: 32
        height: 32
        radius: width * 0.22
        color: "#ff8a1f"
        Repeater {
            model: [0.6, 0.42, 0.5]
            Rectangle {
                required property real modelData
                required property int index
                x: tile.width * 0.2
                y: tile.height * (0.235 + 0.21 * index)
                width: tile.width * modelData
                height: tile.height * 0.11
                radius: height / 2
                color: "white"
            }
        }
    }
    function child(node, name) {
        for (var i = 0; node && i < node.children.length; ++i)
            if (node.children[i].name === name)
                return node.children[i].text;
        return "";
    }
    function elements(node, name, into) {
        for (var i = 0; node && i < node.children.length; ++i) {
            if (node.children[i].name === name)
                into.push(node.children[i]);
            else
                elements(node.children[i], name, into);
        }
        return into;
    }
    function reload() {
        var list = elements(flash.readXml("flash/xml/channel.xml"), "channel", []);
        var byCategory = {}, order = [], known = {};
        for (var i = 0; i < list.length; ++i) {
            var number = parseInt(child(list[i], "number"), 10);
            if (isNaN(number))
                continue;
            var category = child(list[i], "type-JP") || "その他";
            if (!byCategory[category]) {
                byCategory[category] = [];
                order.push(category);
            }
            byCategory[category].push({ number: number, name: child(list[i], "name-JP"), owner: child(list[i], "owner") });
            known[number] = child(list[i], "name-JP");
        }
        var g = [];
        for (var k = 0; k < order.length; ++k)
            g.push({ category: order[k], channels: byCategory[order[k]] });
        var items = elements(flash.readXml("flash/xml/selected.xml"), "item", []), sel = [];
        for (var j = 0; j < items.length; ++j) {
            var n = parseInt(child(items[j], "number"), 10);
            if (n > 0 && known[n] !== undefined && sel.indexOf(n) < 0 && sel.length < maxChannels)
                sel.push(n);
        }
        names = known;
        groups = g;
        chosen = sel;
        note.text = "";
    }
    function toggle(number) {
        var sel = chosen.slice(), at = sel.indexOf(number);
        if (at >= 0) {
            sel.splice(at, 1);
            note.text = "";
        } else if (sel.length >= maxChannels) {
            note.text = "選択できるのは " + maxChannels + " チャンネルまでです。";
            return;
        } else {
            sel.push(number);
            note.text = "";
        }
        chosen = sel;
    }
    function channelSet() {
        var text = "";
        for (var i = 0; i < chosen.length; ++i)
            text += chosen[i] + "-";
        return text;
    }
    function apply() {
        if (chosen.length === 0) {
            note.text = "チャンネルを一つ以上選んでください。";
            return false;
        }
        flash.fscommand("channel:chset", channelSet());
        return true;
    }

    Component.onCompleted: reload()
    Connections {
        target: flash
        function onFrameSet(frame) { root.reload(); }
    }

    Rectangle {
        id: header
        width: parent.width
        height: 64
        gradient: Gradient {
            GradientStop { position: 0.0; color: "#20335a" }
            GradientStop { position: 1.0; color: "#17243f" }
        }
        Mark { x: 20; y: 16 }
        T { x: 64; y: 12; text: "チャンネル設定"; color: "white"; font.pixelSize: 18; font.bold: true }
        T { x: 64; y: 38; text: "ヘッドラインバーに流すチャンネルを " + root.maxChannels + " つまで選べます"; color: "#9fb0d0"; font.pixelSize: 12 }
    }

    Flickable {
        id: catalogue
        anchors { top: header.bottom; bottom: footer.top; left: parent.left; right: side.left }
        contentHeight: groupColumn.implicitHeight + 32
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AlwaysOn; Accessible.name: "チャンネル一覧のスクロール" }

        Column {
            id: groupColumn
            x: 20
            y: 16
            width: catalogue.width - 40
            spacing: 14
            Repeater {
                model: root.groups
                Column {
                    required property var modelData
                    width: groupColumn.width
                    spacing: 6
                    Accessible.role: Accessible.Grouping
                    Accessible.name: modelData.category
                    T { text: modelData.category; color: "#20335a"; font.pixelSize: 14; font.bold: true }
                    Rectangle { width: parent.width; height: 2; color: "#ff8a1f"; opacity: 0.7 }
                    Flow {
                        width: parent.width
                        spacing: 8
                        Repeater {
                            model: modelData.channels
                            Rectangle {
                                id: tile
                                required property var modelData
                                readonly property bool ticked: root.chosen.indexOf(modelData.number) >= 0
                                objectName: "channel" + modelData.number
                                width: 166
                                height: 48
                                radius: 6
                                color: ticked ? "#fff3e6" : tileArea.containsMouse ? "#eef1f6" : "white"
                                border.color: ticked ? "#ff8a1f" : "#dde2ec"
                                border.width: ticked ? 2 : 1
                                Accessible.role: Accessible.CheckBox
                                Accessible.name: modelData.owner ? modelData.name + "（" + modelData.owner + "）" : modelData.name
                                Accessible.checkable: true
                                Accessible.checked: ticked
                                Accessible.onToggleAction: root.toggle(modelData.number)
                                Accessible.onPressAction: root.toggle(modelData.number)
                                Rectangle {
                                    x: 10; anchors.verticalCenter: parent.verticalCenter
                                    width: 18; height: 18; radius: 4
                                    color: tile.ticked ? "#ff8a1f" : "white"
                                    border.color: tile.ticked ? "#ff8a1f" : "#b7c0d0"
                                    T { anchors.centerIn: parent; visible: tile.ticked; text: "✓"; color: "white"; font.pixelSize: 13; font.bold: true }
                                }
                                T { x: 36; y: 8; width: tile.width - 44; text: tile.modelData.name; elide: Text.ElideRight; color: "#1b2a4a"; font.pixelSize: 12; font.bold: true }
                                T { x: 36; y: 27; width: tile.width - 44; text: tile.modelData.owner; elide: Text.ElideRight; color: "#7d8799"; font.pixelSize: 10 }
                                MouseArea {
                                    id: tileArea
                                    anchors.fill: parent
                                    hoverEnabled: true
                                    cursorShape: Qt.PointingHandCursor
                                    onClicked: root.toggle(tile.modelData.number)
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    Rectangle {
        id: side
        anchors { top: header.bottom; bottom: footer.top; right: parent.right }
        width: 220
        color: "white"
        Rectangle { width: 1; height: parent.height; color: "#dde2ec" }
        T { x: 18; y: 16; text: "選択中のチャンネル"; color: "#20335a"; font.pixelSize: 13; font.bold: true }
        T { x: 18; y: 38; text: root.chosen.length + " / " + root.maxChannels; color: "#7d8799"; font.pixelSize: 11 }
        Column {
            x: 18
            y: 62
            width: side.width - 36
            spacing: 4
            Accessible.role: Accessible.List
            Accessible.name: "選択中のチャンネル " + root.chosen.length + " / " + root.maxChannels
            Repeater {
                model: root.maxChannels
                Rectangle {
                    required property int index
                    readonly property bool used: index < root.chosen.length
                    width: parent.width
                    height: 30
                    radius: 4
                    color: used ? "#f4f6fa" : "transparent"
                    border.color: used ? "transparent" : "#e6e9f0"
                    Accessible.role: Accessible.ListItem
                    Accessible.name: (index + 1) + "：" + (used ? root.names[root.chosen[index]] : "空き")
                    T { x: 8; anchors.verticalCenter: parent.verticalCenter; text: index + 1; color: "#ff8a1f"; font.pixelSize: 11; font.bold: true }
                    T {
                        x: 26; width: parent.width - 34; anchors.verticalCenter: parent.verticalCenter
                        text: parent.used ? root.names[root.chosen[parent.index]] : "（空き）"
                        elide: Text.ElideRight
                        color: parent.used ? "#1b2a4a" : "#b7c0d0"
                        font.pixelSize: 12
                    }
                }
            }
        }
    }

    Rectangle {
        id: footer
        anchors.bottom: parent.bottom
        width: parent.width
        height: 60
        color: "white"
        Rectangle { width: parent.width; height: 1; color: "#dde2ec" }
        T {
            id: note
            objectName: "note"
            anchors { verticalCenter: parent.verticalCenter; left: parent.left; leftMargin: 20 }
            color: "#d9534f"
            font.pixelSize: 12
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
        }
        Row {
            anchors { verticalCenter: parent.verticalCenter; right: parent.right; rightMargin: 20 }
            spacing: 12
            Button {
                id: closeButton
                objectName: "close"
                width: 130
                height: 36
                text: "閉じる"
                font.pixelSize: 14
                font.family: root.face
                contentItem: T { text: closeButton.text; font: closeButton.font; color: "#20335a"; horizontalAlignment: Text.AlignHCenter; verticalAlignment: Text.AlignVCenter }
                background: Rectangle { radius: 18; color: closeButton.down ? "#dde2ec" : "white"; border.color: "#b7c0d0" }
                onClicked: flash.fscommand("channel:close", "")
                // The toolkit's own button does not act on a screen reader's press.
                Accessible.onPressAction: clicked()
            }
            Button {
                id: applyButton
                objectName: "submit"
                width: 150
                height: 36
                text: "変更"
                font.pixelSize: 14
                font.family: root.face
                font.bold: true
                contentItem: T { text: applyButton.text; font: applyButton.font; color: "white"; horizontalAlignment: Text.AlignHCenter; verticalAlignment: Text.AlignVCenter }
                background: Rectangle { radius: 18; color: applyButton.down ? "#e07010" : applyButton.hovered ? "#ff9a3a" : "#ff8a1f" }
                onClicked: root.apply()
                Accessible.onPressAction: clicked()
            }
        }
    }
}
