import QtQuick

// Opens the address it was given.
Item {
    width: 1; height: 1
    Component.onCompleted: if (flash.vars.url) flash.openUrl(flash.vars.url)
}
