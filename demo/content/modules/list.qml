// The latest-news list above the bar's right end. It reads the merged headline file whenever
// the system sends it to a frame (after opening and after every refresh).
import QtQuick

Rectangle {
    id: root
    width: 244
    height: 357
    color: "#f4f6fa"
    border.color: "#17243f"

    // Category colours, matching the bar's icons.
    readonly property var typeColours: ({
        "all": "#d9534f", "soc": "#d9534f", "spt": "#2e9d5b", "biz": "#2d6cdf",
        "ent": "#d94f9c", "cul": "#8a5cd6", "sci": "#1fa2b5", "mov": "#ff8a1f", "pr": "#9aa3b5"
    })

    ListModel { id: headlines }

    function field(item, name) {
        for (var i = 0; i < item.children.length; ++i)
            if (item.children[i].name === name)
                return item.children[i].text;
        return "";
    }

    function reload() {
        headlines.clear();
        var doc = flash.readXml("flash/xml/news998.xml");
        if (!doc)
            return;
        for (var i = 0; i < doc.children.length; ++i) {
            var item = doc.children[i];
            if (item.name !== "item")
                continue;
            headlines.append({
                hlid: field(item, "brs:hlid"),
                clicked: field(item, "brs:click") === "True",
                type: field(item, "brs:type"),
                title: field(item, "title"),
                link: field(item, "link"),
                credit: field(item, "credit")
            });
        }
        view.positionViewAtBeginning();
    }

    function open(index) {
        var h = headlines.get(index);
        flash.fscommand("list:click:new", "");
        flash.fscommand("list:click:text", h.title);
        flash.fscommand("list:click:url", h.link);
        flash.fscommand("list:click:id", h.hlid);
        flash.fscommand("list:click:credit", h.credit);
        flash.fscommand("list:click:type", h.type);
        flash.fscommand("list:click:done", "");
        // A movie headline plays in the movie window; an article opens in the browser.
        if (h.type !== "mov")
            flash.openUrl(h.link);
        headlines.setProperty(index, "clicked", true);
    }

    Component.onCompleted: reload()
    Connections {
        target: flash
        function onFrameSet(frame) { root.reload(); }
    }

    Rectangle {
        id: header
        x: 1
        y: 1
        width: parent.width - 2
        height: 30
        color: "#17243f"
        Text {
            anchors.verticalCenter: parent.verticalCenter
            x: 10
            text: "最新ニュース"
            color: "white"
            font.pixelSize: 13
            font.bold: true
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: closeButton.left
            anchors.rightMargin: 8
            text: headlines.count + " 件"
            color: "#9fb0d0"
            font.pixelSize: 11
        }
        Text {
            id: closeButton
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: parent.right
            anchors.rightMargin: 8
            text: "×"
            color: closeArea.containsMouse ? "#ff9a3a" : "white"
            font.pixelSize: 16
            MouseArea {
                id: closeArea
                anchors.fill: parent
                anchors.margins: -6
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: flash.fscommand("box:list", "")
            }
        }
    }

    ListView {
        id: view
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: 1
        clip: true
        model: headlines
        boundsBehavior: Flickable.StopAtBounds

        delegate: Rectangle {
            id: row
            required property int index
            required property bool clicked
            required property string type
            required property string title
            required property string credit
            width: ListView.view.width
            height: 46
            color: rowArea.containsMouse ? "#fff6e0" : index % 2 ? "#eef1f6" : "white"

            Rectangle {
                x: 8
                y: 10
                width: 4
                height: 26
                radius: 2
                color: root.typeColours[row.type] || "#7d8799"
            }
            Text {
                x: 20
                y: 6
                width: row.width - 28
                text: row.title
                color: row.clicked ? "#9c90ae" : "#1b2a4a"
                font.pixelSize: 12
                font.bold: !row.clicked
                elide: Text.ElideRight
            }
            Text {
                x: 20
                y: 26
                width: row.width - 28
                text: row.type === "mov" ? "▶ 動画　" + row.credit : row.credit
                color: "#7d8799"
                font.pixelSize: 10
                elide: Text.ElideRight
            }
            MouseArea {
                id: rowArea
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: root.open(row.index)
            }
        }

        Text {
            anchors.centerIn: parent
            visible: headlines.count === 0
            text: "ニュースを読み込んでいます…"
            color: "#7d8799"
            font.pixelSize: 12
        }
    }

    // A thin position marker, enough for a list that scrolls with the wheel.
    Rectangle {
        visible: view.contentHeight > view.height
        anchors.right: view.right
        y: view.y + view.visibleArea.yPosition * view.height
        width: 3
        height: view.visibleArea.heightRatio * view.height
        radius: 1.5
        color: "#b7c0d0"
    }
}
