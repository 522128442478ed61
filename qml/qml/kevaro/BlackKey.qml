import QtQuick

// A black key: shaded while held.
KeyArea {
    id: key
    height: 444
    label.y: 363
    label.light: true

    Rectangle {
        width: key.width
        height: key.height
        radius: 3
        color: Theme.blackKeyHeld
        visible: key.held
    }
}
