// Profile panel: shows the stored profile (flash/xml/user.xml) for change; "保存" sends every
// field as a "user:" command, then "user:done"; "閉じる" sends "user:close".
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

Rectangle {
    id: root
    width: 320
    height: 450
    color: "#f4f6fa"

    readonly property string prefix: "user:"
    readonly property var sexes: [{ code: "1", label: "男性" }, { code: "2", label: "女性" }]
    readonly property var jobs: [
        { code: "1", label: "会社員" }, { code: "2", label: "公務員" }, { code: "3", label: "自営業" },
        { code: "4", label: "会社役員" }, { code: "5", label: "学生" }, { code: "6", label: "専業主婦・主夫" },
        { code: "7", label: "パート・アルバイト" }, { code: "8", label: "無職" }, { code: "9", label: "その他" }]
    readonly property var classes: [
        { code: "1", label: "IT・通信" }, { code: "2", label: "製造" }, { code: "3", label: "金融・保険" },
        { code: "4", label: "流通・小売" }, { code: "5", label: "サービス" }, { code: "6", label: "医療・福祉" },
        { code: "7", label: "教育" }, { code: "8", label: "官公庁" }, { code: "9", label: "その他" }]
    readonly property var netenvs: [
        { code: "1", label: "光回線" }, { code: "2", label: "ADSL" }, { code: "3", label: "ケーブルテレビ" },
        { code: "4", label: "モバイル回線" }, { code: "5", label: "ダイヤルアップ・ISDN" }, { code: "6", label: "その他" }]
    readonly property var pcenvs: [
        { code: "1", label: "自宅のデスクトップPC" }, { code: "2", label: "自宅のノートPC" },
        { code: "3", label: "職場のPC" }, { code: "4", label: "学校のPC" }, { code: "5", label: "その他" }]
    readonly property var carriers: [
        { code: "1", label: "ドコモ" }, { code: "2", label: "au" }, { code: "3", label: "ソフトバンク" },
        { code: "4", label: "楽天モバイル" }, { code: "5", label: "格安SIM" }, { code: "6", label: "持っていない" }]
    property var prefectures: []

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
    function pad(n, width) { var s = "" + n; while (s.length < width) s = "0" + s; return s; }
    function child(node, name) {
        for (var i = 0; node && i < node.children.length; ++i)
            if (node.children[i].name === name)
                return node.children[i];
        return null;
    }
    function loadPrefectures() {
        var doc = flash.readXml("flash/xml/prefecture.xml"), list = [];
        for (var i = 0; doc && i < doc.children.length; ++i) {
            var p = doc.children[i], areas = [];
            for (var j = 0; j < p.children.length; ++j)
                if (p.children[j].name === "area")
                    areas.push({ code: child(p.children[j], "id").text, label: child(p.children[j], "name").text });
            list.push({ code: child(p, "id").text, label: child(p, "name").text, areas: areas });
        }
        prefectures = list;
    }
    function code(box) { return box.currentIndex >= 0 ? box.model[box.currentIndex].code : ""; }
    // The fields in the order the commands go out.
    function fields() {
        var y = year.currentIndex >= 0 ? year.model[year.currentIndex] : "";
        var m = month.currentIndex >= 0 ? pad(month.currentIndex + 1, 2) : "";
        var d = day.currentIndex >= 0 ? pad(day.currentIndex + 1, 2) : "";
        var pr = prefecture.currentIndex >= 0 ? prefectures[prefecture.currentIndex] : null;
        return [["email", email.text.trim()], ["sex", code(sex)], ["bday", y && m && d ? y + m + d : ""],
                ["yy", y], ["mm", m], ["dd", d], ["prid", pr ? pr.code : ""], ["arid", code(area)],
                ["pr", pr ? pr.label : ""], ["class", code(cls)], ["job", code(job)],
                ["netenv", code(netenv)], ["pcenv", code(pcenv)], ["carrier", code(carrier)]];
    }
    function valid() { return /^[^@\s]+@[^@\s]+\.[^@\s]+$/.test(email.text.trim()); }
    function submit() {
        if (!valid()) {
            note.text = "メールアドレスを正しく入力してください。";
            form.contentY = 0;
            email.forceActiveFocus();
            return false;
        }
        note.text = "";
        var f = fields();
        for (var i = 0; i < f.length; ++i)
            flash.fscommand(prefix + f[i][0], f[i][1]);
        flash.fscommand(prefix + "done", "");
        return true;
    }
    function select(box, value) {
        box.currentIndex = -1;
        for (var i = 0; i < box.model.length; ++i)
            if (box.model[i].code === value)
                box.currentIndex = i;
    }
    // Fills the form from the stored profile; fields it does not hold stay unselected.
    function prefill() {
        var doc = flash.readXml("flash/xml/user.xml");
        var value = function (name) { var c = child(doc, name); return c ? c.text : ""; };
        email.text = value("email");
        select(sex, value("sex"));
        year.currentIndex = year.model.indexOf(value("yy"));
        var m = parseInt(value("mm"), 10), d = parseInt(value("dd"), 10);
        month.currentIndex = m >= 1 && m <= 12 ? m - 1 : -1;
        day.currentIndex = d >= 1 && d <= 31 ? d - 1 : -1;
        select(prefecture, value("prid"));
        select(area, value("arid"));
        select(cls, value("class"));
        select(job, value("job"));
        select(netenv, value("netenv"));
        select(pcenv, value("pcenv"));
        select(carrier, value("carrier"));
        note.text = "";
    }
    Component.onCompleted: { loadPrefectures(); prefill(); }
    Connections {
        target: flash
        function onFrameSet(frame) { root.prefill(); }
    }

    component Label: T { color: "#1b2a4a"; font.pixelSize: 12; font.bold: true; Layout.topMargin: 6 }
    component Choice: ComboBox {
        id: choice
        // What a screen reader says before the choice.
        property string label
        Accessible.name: label + "：" + (currentIndex < 0 ? "未選択" : currentText)
        font.family: root.face
        Layout.fillWidth: true
        implicitHeight: 30
        font.pixelSize: 12
        textRole: "label"
        currentIndex: -1
        displayText: currentIndex < 0 ? "選択してください" : currentText
        // A new list (the areas of another prefecture) starts unselected.
        onModelChanged: currentIndex = -1
        delegate: ItemDelegate {
            required property var modelData
            required property int index
            width: ListView.view.width
            text: choice.textRole ? modelData[choice.textRole] : modelData
            font.family: root.face
            font.pixelSize: 12
            font.bold: choice.currentIndex === index
            highlighted: choice.highlightedIndex === index
        }
        background: Rectangle {
            implicitWidth: 80
            radius: 3
            color: parent.enabled ? (parent.down ? "#eef1f6" : "white") : "#f0f2f6"
            border.color: parent.activeFocus ? "#ff8a1f" : "#c9d0dc"
        }
    }

    Rectangle {
        id: header
        width: parent.width
        height: 64
        gradient: Gradient {
            GradientStop { position: 0.0; color: "#20335a" }
            GradientStop { position: 1.0; color: "#17243f" }
        }
        Mark { x: 16; y: 16 }
        T { x: 58; y: 13; text: "環境設定"; color: "white"; font.pixelSize: 16; font.bold: true }
        T { x: 58; y: 36; text: "登録内容を確認・変更できます"; color: "#9fb0d0"; font.pixelSize: 11 }
    }

    Flickable {
        id: form
        anchors { top: header.bottom; bottom: footer.top; left: parent.left; right: parent.right }
        contentHeight: column.implicitHeight + 24
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AlwaysOn; Accessible.name: "入力欄のスクロール" }

        ColumnLayout {
            id: column
            x: 18
            y: 10
            width: root.width - 36
            spacing: 4

            Label { text: "メールアドレス（必須）" }
            TextField {
                id: email
                objectName: "email"
                Layout.fillWidth: true
                implicitHeight: 30
                font.pixelSize: 12
                font.family: root.face
                placeholderText: "taro@example.jp"
                inputMethodHints: Qt.ImhEmailCharactersOnly
                Accessible.name: "メールアドレス（必須）"
            }
            T {
                id: note
                visible: text !== ""
                color: "#d9534f"
                font.pixelSize: 11
                Accessible.role: Accessible.AlertMessage
                Accessible.name: text
            }
            Label { text: "性別" }
            Choice { id: sex; objectName: "sex"; label: "性別"; model: root.sexes }
            Label { text: "生年月日" }
            RowLayout {
                spacing: 4
                Choice {
                    id: year
                    objectName: "year"
                    label: "生まれた年"
                    model: { var y = [], now = new Date().getFullYear(); for (var i = now - 5; i >= 1920; --i) y.push("" + i); return y; }
                    displayText: currentIndex < 0 ? "年" : currentText + "年"
                    textRole: ""
                    Layout.fillWidth: true
                }
                Choice {
                    id: month
                    objectName: "month"
                    label: "生まれた月"
                    model: Array.from({ length: 12 }, (_, i) => (i + 1) + "月")
                    displayText: currentIndex < 0 ? "月" : currentText
                    textRole: ""
                    Layout.fillWidth: false
                    Layout.preferredWidth: 84
                }
                Choice {
                    id: day
                    objectName: "day"
                    label: "生まれた日"
                    model: Array.from({ length: 31 }, (_, i) => (i + 1) + "日")
                    displayText: currentIndex < 0 ? "日" : currentText
                    textRole: ""
                    Layout.fillWidth: false
                    Layout.preferredWidth: 84
                }
            }
            Label { text: "お住まいの地域" }
            RowLayout {
                spacing: 4
                Choice { id: prefecture; objectName: "prefecture"; label: "都道府県"; model: root.prefectures; displayText: currentIndex < 0 ? "都道府県" : currentText }
                Choice {
                    id: area
                    objectName: "area"
                    label: "地域"
                    model: prefecture.currentIndex >= 0 ? root.prefectures[prefecture.currentIndex].areas : []
                    enabled: count > 0
                    displayText: currentIndex < 0 ? "地域" : currentText
                }
            }
            Label { text: "職業" }
            Choice { id: job; objectName: "job"; label: "職業"; model: root.jobs }
            Label { text: "業種" }
            Choice { id: cls; objectName: "class"; label: "業種"; model: root.classes }
            Label { text: "インターネット接続環境" }
            Choice { id: netenv; objectName: "netenv"; label: "インターネット接続環境"; model: root.netenvs }
            Label { text: "主に利用するパソコン" }
            Choice { id: pcenv; objectName: "pcenv"; label: "主に利用するパソコン"; model: root.pcenvs }
            Label { text: "携帯電話の会社" }
            Choice { id: carrier; objectName: "carrier"; label: "携帯電話の会社"; model: root.carriers }
            T {
                Layout.fillWidth: true
                Layout.topMargin: 8
                // Broken by hand where the sentence breaks, so no line holds a lone word.
                text: "ご登録いただいた情報は、\nニュース配信の改善にのみ利用します。"
                horizontalAlignment: Text.AlignHCenter
                color: "#7d8799"
                font.pixelSize: 10
            }
        }
    }

    // More fields lie below: the form's lower edge fades out over a hint, until the end is reached.
    Rectangle {
        anchors { bottom: footer.top; left: parent.left; right: parent.right; rightMargin: 12 }
        height: 36
        visible: !form.atYEnd
        gradient: Gradient {
            GradientStop { position: 0.0; color: "#00f4f6fa" }
            GradientStop { position: 0.75; color: "#f4f6fa" }
        }
        T {
            objectName: "moreHint"
            anchors { horizontalCenter: parent.horizontalCenter; bottom: parent.bottom; bottomMargin: 3 }
            text: "▼ 下に続きがあります"
            color: "#7d8799"
            font.pixelSize: 10
        }
    }

    Rectangle {
        id: footer
        anchors.bottom: parent.bottom
        width: parent.width
        height: 54
        color: "white"
        Rectangle { width: parent.width; height: 1; color: "#dde2ec" }
        Button {
            id: closeButton
            objectName: "close"
            anchors { verticalCenter: parent.verticalCenter; left: parent.left; leftMargin: 18 }
            width: 130
            height: 34
            text: "閉じる"
            font.pixelSize: 14
            font.family: root.face
            contentItem: T { text: closeButton.text; font: closeButton.font; color: "#20335a"; horizontalAlignment: Text.AlignHCenter; verticalAlignment: Text.AlignVCenter }
            background: Rectangle { radius: 17; color: closeButton.down ? "#dde2ec" : "white"; border.color: "#b7c0d0" }
            onClicked: flash.fscommand("user:close", "")
            // The toolkit's own button does not act on a screen reader's press.
            Accessible.onPressAction: clicked()
        }
        Button {
            id: submitButton
            objectName: "submit"
            anchors { verticalCenter: parent.verticalCenter; right: parent.right; rightMargin: 18 }
            width: 130
            height: 34
            text: "保存"
            font.pixelSize: 14
            font.family: root.face
            font.bold: true
            contentItem: T { text: submitButton.text; font: submitButton.font; color: "white"; horizontalAlignment: Text.AlignHCenter; verticalAlignment: Text.AlignVCenter }
            background: Rectangle { radius: 17; color: submitButton.down ? "#e07010" : submitButton.hovered ? "#ff9a3a" : "#ff8a1f" }
            onClicked: root.submit()
            Accessible.onPressAction: clicked()
        }
    }
}
