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

    // Every text in the proportional Japanese face, Latin letters included.
    readonly property string face: "IPAPGothic"
    component T: Text { font.family: root.face }

    ListModel { id: headlines }

    // A news id carries its channel, then the date and time it was published (yyyymmddhhmm);
    // movie ids carry a term instead, and advertisements no time at all.
    function published(hlid, type) {
        var m = /^\d{3}(\d{4})(\d{2})(\d{2})(\d{2})(\d{2})\d{4}$/.exec(hlid);
        if (!m || type === "mov" || type === "pr" || m[2] < 1 || m[2] > 12 || m[3] < 1 || m[3] > 31 || m[4] > 23 || m[5] > 59)
            return "";
        return parseInt(m[2], 10) + "/" + parseInt(m[3], 10) + " " + m[4] + ":" + m[5];
    }

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
                credit: field(item, "credit"),
                time: published(field(item, "brs:hlid"), field(item, "brs:type"))
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
        T {
            anchors.verticalCenter: parent.verticalCenter
            x: 10
            text: "最新ニュース"
            color: "white"
            font.pixelSize: 13
            font.bold: true
        }
        T {
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: closeButton.left
            anchors.rightMargin: 8
            text: headlines.count + " 件"
            color: "#9fb0d0"
            font.pixelSize: 11
        }
        T {
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
                Accessible.role: Accessible.Button
                Accessible.name: "閉じる"
                Accessible.onPressAction: flash.fscommand("box:list", "")
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
        Accessible.role: Accessible.List
        Accessible.name: "最新ニュース " + headlines.count + " 件"

        delegate: Rectangle {
            id: row
            required property int index
            required property bool clicked
            required property string type
            required property string title
            required property string credit
            required property string time
            width: ListView.view.width
            height: 46
            color: rowArea.containsMouse ? "#fff6e0" : index % 2 ? "#eef1f6" : "white"
            // The headline, its source and its time, as the row shows them.
            Accessible.role: Accessible.ListItem
            Accessible.name: [row.title, row.type === "mov" ? "動画　" + row.credit : row.credit, row.time]
                             .filter(part => part !== "").join("、")
            Accessible.onPressAction: root.open(row.index)

            Rectangle {
                x: 8
                y: 10
                width: 4
                height: 26
                radius: 2
                color: root.typeColours[row.type] || "#7d8799"
            }
            T {
                id: headline
                x: 20
                y: 6
                width: row.width - 28
                text: row.title
                color: row.clicked ? "#9c90ae" : "#1b2a4a"
                font.pixelSize: 12
                font.bold: !row.clicked
                elide: Text.ElideRight
            }
            T {
                x: 20
                y: 26
                width: row.width - 28 - (stamp.text ? stamp.width + 6 : 0)
                text: row.type === "mov" ? "▶ 動画　" + row.credit : row.credit
                color: "#7d8799"
                font.pixelSize: 10
                elide: Text.ElideRight
            }
            T {
                id: stamp
                anchors.right: parent.right
                anchors.rightMargin: 8
                y: 26
                text: row.time
                color: "#7d8799"
                font.pixelSize: 10
            }
            MouseArea {
                id: rowArea
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: root.open(row.index)
                onContainsMouseChanged: containsMouse && headline.truncated ? tip.showFor(row)
                                                                            : tip.hideFor(row)
            }
        }

        T {
            anchors.centerIn: parent
            visible: headlines.count === 0
            text: "ニュースを読み込んでいます…"
            Accessible.role: Accessible.StaticText
            Accessible.name: text
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

    // The whole headline, where a row cuts it short: below the row after a moment over it, or
    // above it at the bottom of the list.
    Rectangle {
        id: tip
        property Item row: null
        // A row that goes with a reload takes its tooltip with it.
        onRowChanged: if (!row) visible = false
        function showFor(r) {
            row = r;
            visible = false;
            tipDelay.restart();
        }
        function hideFor(r) {
            if (row !== r)
                return;
            row = null;
            visible = false;
            tipDelay.stop();
        }
        function place() {
            var top = row.mapToItem(root, 0, 0).y;
            y = top + row.height - 4 + height <= root.height ? top + row.height - 4 : top - height + 4;
            visible = true;
        }
        visible: false
        x: 8
        width: root.width - 16
        height: tipText.implicitHeight + 10
        color: "#fffdf5"
        border.color: "#c9d0dc"
        radius: 3
        T {
            id: tipText
            x: 6
            y: 5
            width: parent.width - 12
            text: tip.row ? tip.row.title : ""
            wrapMode: Text.Wrap
            color: "#1b2a4a"
            font.pixelSize: 12
        }
        Timer {
            id: tipDelay
            interval: 500
            onTriggered: if (tip.row) tip.place()
        }
        Connections {
            target: view
            function onContentYChanged() { tip.hideFor(tip.row); }
        }
    }
}
