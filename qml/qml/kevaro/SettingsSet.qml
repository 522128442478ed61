import QtQuick

// The two rows of one sound set in the settings panel: its name and its folder. The fields are
// named by the set's number ("configname2", "configpath2"); `places` puts them in the panel.
Item {
    id: set
    required property int number
    // The field's x and y and the label's x, for the name's row and for the folder's.
    required property var places
    // What the fields show at first.
    required property string name
    required property string folder
    readonly property alias nameField: namefield
    readonly property alias pathField: pathfield
    // The folder button beside the field was tapped.
    signal folderWanted

    // "01" to "05", as the labels number the sets.
    readonly property string numbering: String(set.number).padStart(2, "0")

    SettingsField {
        id: namefield
        objectName: "configname" + set.number
        x: set.places[0][0]
        y: set.places[0][1]
        labelX: set.places[0][2]
        label: qsTr("Soundname %1:").arg(set.numbering)
        text: set.name
    }

    SettingsField {
        id: pathfield
        objectName: "configpath" + set.number
        x: set.places[1][0]
        y: set.places[1][1]
        labelX: set.places[1][2]
        label: qsTr("Soundpath %1:").arg(set.numbering)
        text: set.folder
        folder: true
        onFolderWanted: set.folderWanted()
    }
}
