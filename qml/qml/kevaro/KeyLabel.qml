import QtQuick

// A key's note name, shown while the label toggle is on. Dark on white keys, light on black.
Text {
    // Light lettering, for a black key.
    property bool light: false
    visible: false
    color: light ? Theme.blackKeyLabel : Theme.whiteKeyLabel
    font.pixelSize: 12
}
