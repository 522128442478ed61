import QtQuick

// A key's note name, shown while the label toggle is on. Dark on white keys, light on black.
Text {
    property bool onBlack: false
    visible: false
    color: onBlack ? "#f2f0e4" : "#000000"
    font.pixelSize: 12
}
