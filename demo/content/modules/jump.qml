// The bar's jump movie: opens the address of its "url" variable in the browser, once per load.
import QtQuick

Item {
    width: 1
    height: 1
    Component.onCompleted: {
        if (flash.vars.url)
            flash.openUrl(flash.vars.url);
    }
}
