// The bar's own movie at its right end: a topic search and the button of the latest-news list.
// It stands still between inputs, so the bar costs nothing while it scrolls.
import QtQuick

Rectangle {
    id: root
    width: 245
    height: 24
    color: "#17243f"

    readonly property string searchAddress: "https://news.example.jp/search?q="
    // Today's topics; the bar takes no keyboard focus, so a topic is searched with one click.
    readonly property var topics: ["年末商戦", "新型ロケット", "日本代表", "円相場", "紅白歌合戦", "生成AI"]
    property int topic: Math.floor(Math.random() * topics.length)

    function search(words) {
        var url = searchAddress + encodeURIComponent(words);
        // Reported and logged like a headline click, then opened.
        flash.fscommand("box:searchlog:new", "");
        flash.fscommand("box:searchlog:text", words);
        flash.fscommand("box:searchlog:url", url);
        flash.fscommand("box:searchlog:id", "0000000000000000000");
        flash.fscommand("box:searchlog:credit", "ニュース検索");
        flash.fscommand("box:searchlog:done", "");
        flash.openUrl(url);
        topic = (topic + 1) % topics.length;
    }

    Rectangle {
        id: searchButton
        x: 4
        y: 3
        width: 150
        height: 18
        radius: 9
        color: searchArea.pressed ? "#3a5488" : searchArea.containsMouse ? "#30487a" : "#263b66"
        Row {
            anchors.verticalCenter: parent.verticalCenter
            x: 8
            spacing: 5
            Text {
                text: "話題"
                color: "#ff9a3a"
                font.pixelSize: 11
                font.bold: true
            }
            Text {
                width: 118
                text: root.topics[root.topic] + " を検索"
                color: "white"
                font.pixelSize: 11
                elide: Text.ElideRight
            }
        }
        MouseArea {
            id: searchArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: root.search(root.topics[root.topic])
            Accessible.role: Accessible.Button
            Accessible.name: "話題：" + root.topics[root.topic] + " を検索"
            Accessible.onPressAction: root.search(root.topics[root.topic])
        }
    }

    Rectangle {
        anchors.left: searchButton.right
        anchors.leftMargin: 4
        anchors.right: parent.right
        anchors.rightMargin: 4
        y: 3
        height: 18
        radius: 3
        color: listArea.pressed ? "#e07410" : listArea.containsMouse ? "#ff9a3a" : "#ff8a1f"
        Text {
            anchors.centerIn: parent
            text: "最新ニュース"
            color: "white"
            font.pixelSize: 11
            font.bold: true
        }
        MouseArea {
            id: listArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: flash.fscommand("box:list", "")
            Accessible.role: Accessible.Button
            Accessible.name: "最新ニュース"
            Accessible.onPressAction: flash.fscommand("box:list", "")
        }
    }
}
