// The rows that the Repeater makes use the panel's ids.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Dialogs

// The settings panel over the keys: the names and folders of the five sound sets, Save, and the
// two preferences of touch. Only the fields, their folder buttons, Save and the preferences'
// switches take presses; elsewhere a press reaches the key beneath.
Rectangle {
    id: configform
    y: 65
    width: Theme.frameWidth
    height: 700
    color: Theme.panelSurround
    border.color: Theme.border
    visible: false

    required property var sound
    // Device pixels per pixel of the 1366x768 scene: the pictures are read at that size.
    required property real density
    // The top of the on-screen keyboard, in the pixels of the panel's parent.
    required property real keyboardTop
    // The five names, after a Save that wrote the settings file.
    signal saved(var names)

    // Where the rows sit in the panel, the name's row and the folder's of each set: the field's
    // x and y, the label's x.
    readonly property var rowPlaces: [
        [[158, 69, 24], [158, 97, 25]],
        [[159, 125, 24], [159, 153, 24]],
        [[159, 181, 24], [159, 209, 25]],
        [[159, 237, 25], [159, 265, 24]],
        [[159, 293, 25], [159, 321, 25]]
    ]
    readonly property real restingTop: (height - panel.height) / 2
    // While the on-screen keyboard is up the panel rises until Save and the switches beside it,
    // and so every field, are above it.
    readonly property real lift: {
        const lowest = Math.max(savebutton.y + savebutton.height,
                                stoponreleasetoggle.y + stoponreleasetoggle.height)
        return Math.min(restingTop, Math.max(0, y + restingTop + lowest + 8 - keyboardTop))
    }

    // The on-screen keyboard goes with the panel: it leaves once no field has the focus.
    onVisibleChanged: if (!configform.visible) {
        for (let n = 0; n < sets.count; ++n) {
            const set = sets.itemAt(n) as SettingsSet
            set.nameField.focus = false
            set.pathField.focus = false
        }
    }

    function save() {
        const names = []
        for (let n = 1; n <= sets.count; ++n) {
            const set = sets.itemAt(n - 1) as SettingsSet
            configform.sound.setconfigname(n, set.nameField.text)
            configform.sound.setconfigpath(n, set.pathField.text)
            names.push(set.nameField.text)
        }
        configform.sound.saveconfig()
        configform.sound.loadconfig()
        // Without a save error (or an element that reports none) the captions take the names.
        if (!configform.sound.saveerror)
            configform.saved(names)
    }

    function pickFolder(field) {
        folderdialog.field = field
        if (field.text !== "")
            folderdialog.currentFolder = "file://"
                    + field.text.split("/").map(encodeURIComponent).join("/")
        folderdialog.open()
    }

    // A file:// URL from the folder picker as a path.
    function pathOf(url) {
        return decodeURIComponent(url.toString().replace(/^file:\/\//, ""))
    }

    Rectangle {
        id: panel
        width: 660
        height: 500
        anchors.centerIn: configform
        anchors.verticalCenterOffset: -configform.lift
        color: Theme.panel
        radius: 10
        border.width: 4
        border.color: Theme.border
        opacity: 0.9
        smooth: true
        clip: true

        Text {
            id: ueberschrift
            objectName: "ueberschrift"
            x: 25
            y: 16
            text: qsTr("KEVARO V1.0")
            font.bold: true
            font.pixelSize: 27
        }

        // The fields keep the names of their old ids: configname1, configpath1 and so on.
        Repeater {
            id: sets
            model: 5

            SettingsSet {
                required property int index
                number: index + 1
                places: configform.rowPlaces[index]
                name: configform.sound.getconfigname(number)
                folder: configform.sound.getconfigpath(number)
                onFolderWanted: configform.pickFolder(pathField)
            }
        }

        Picture {
            id: savebutton
            objectName: "savebutton"
            x: 27
            y: 360
            width: 150
            height: 50
            picture: "button_150_blank"
            density: configform.density

            Accessible.role: Accessible.Button
            Accessible.name: savebuttontext1.text
            Accessible.onPressAction: configform.save()

            MouseArea {
                id: saveconfig
                objectName: "saveconfig"
                anchors.fill: savebutton
                onEntered: configform.save()

                Text {
                    id: savebuttontext1
                    objectName: "savebuttontext1"
                    anchors.centerIn: saveconfig
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    text: qsTr("Save")
                    color: Theme.saveLettering
                    font.pixelSize: 23
                }
            }
        }

        // The preferences of touch, applied at once and kept in their own file.
        PreferenceToggle {
            id: dynamicstoggle
            objectName: "dynamicstoggle"
            x: 195
            y: 356
            label: qsTr("Loudness from where a key is touched")
            on: configform.sound.dynamics
            onSwitched: on => configform.sound.dynamics = on
        }

        PreferenceToggle {
            id: stoponreleasetoggle
            objectName: "stoponreleasetoggle"
            x: 195
            y: 388
            label: qsTr("Notes stop when a key is let go")
            on: configform.sound.stopOnRelease
            onSwitched: on => configform.sound.stopOnRelease = on
        }

        Text {
            id: saveerrortext
            objectName: "saveerrortext"
            x: 27
            y: 417
            width: 606
            height: 32
            text: configform.sound.saveerror || ""
            visible: saveerrortext.text !== ""
            color: Theme.saveError
            font.bold: true
            font.pixelSize: 13
            wrapMode: Text.Wrap
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }

        Column {
            x: 27
            y: 450

            Text {
                text: qsTr("Kevaro: a touch piano for Linux tablets.")
                font.pixelSize: 12
            }

            Text {
                text: qsTr("Sound: Kevaro's own mixer on PipeWire or PulseAudio, with libsndfile. Interface: Qt Quick.")
                font.pixelSize: 12
            }

            Text {
                text: qsTr("Sound sets are folders of WAV files named keyc0.wav and keyg0.wav to keydis2.wav.")
                font.pixelSize: 12
            }
        }
    }

    FolderDialog {
        id: folderdialog
        objectName: "folderdialog"
        // The picker is drawn inside the piano's window, which it does not find by itself.
        parentWindow: configform.Window.window
        // The field that the chosen folder goes into.
        property Item field: null
        onAccepted: folderdialog.field.text = configform.pathOf(folderdialog.selectedFolder)
    }
}
