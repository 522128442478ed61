import QtQuick

// One row of the settings panel: the label and the edit field. The row of a directory also has a
// button beside the field; its tap asks for the folder picker.
TextEdit {
    id: field
    width: 462
    height: 20
    font.pixelSize: 16
    inputMethodHints: Qt.ImhNoPredictiveText | (field.folder ? Qt.ImhNoAutoUppercase : 0)

    required property string label
    // The label's x in the panel.
    required property real labelX
    property bool folder: false
    signal folderWanted

    Accessible.name: field.label

    Text {
        x: field.labelX - field.x
        text: field.label
        font.pixelSize: 16
    }

    Rectangle {
        id: folderbutton
        objectName: field.objectName + "folder"
        visible: field.folder
        // In the panel: right of the field, inside the border, across the rows above and below.
        x: 623 - field.x
        y: -12
        width: 32
        height: 44
        radius: 6
        color: Theme.folderButton
        border.color: Theme.folderButtonBorder

        Accessible.role: Accessible.Button
        Accessible.name: qsTr("Choose folder")
        Accessible.onPressAction: field.folderWanted()

        // A folder: a tab on a wider body.
        Rectangle {
            x: 7
            y: 14
            width: 8
            height: 4
            radius: 1
            color: Theme.folderSymbol
        }
        Rectangle {
            x: 7
            y: 17
            width: 18
            height: 13
            radius: 2
            color: Theme.folderSymbol
        }

        // Takes the press, which must not reach the key beneath.
        MouseArea {
            anchors.fill: folderbutton
            onClicked: field.folderWanted()
        }
    }
}
