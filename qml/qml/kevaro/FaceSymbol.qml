import QtQuick

// The lettering on a face of a flip toggle.
Text {
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
    visible: text !== ""
    style: Text.Outline
    font.bold: true
    font.italic: false
    font.pixelSize: 28
}
