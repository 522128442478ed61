import QtQuick
import QtQuick.Dialogs

// The settings panel over the keys: the names and folders of the five sound sets, and Save.
// Only the fields, their folder buttons and Save take presses; elsewhere a press reaches the key
// beneath.
Rectangle {
    id: configform
    y: 65
    width: 1366
    height: 700
    anchors.horizontalCenter: parent.horizontalCenter
    color: "#000000"
    border.color: "#d90707"
    visible: false

    required property var sound
    // The top of the on-screen keyboard, in the parent's pixels.
    property real keyboardTop: parent.height
    // The five names, after a Save that wrote the settings file.
    signal saved(var names)

    readonly property var fields: [configname1, configpath1, configname2, configpath2, configname3,
        configpath3, configname4, configpath4, configname5, configpath5]
    readonly property Item typingField: fields.find(field => field.activeFocus) || null
    readonly property real restingTop: (height - panel.height) / 2
    // While the on-screen keyboard is up the panel rises until Save, and so every field, is
    // above it.
    readonly property real lift: {
        const saveBottom = y + restingTop + savebutton.y + savebutton.height
        return Math.min(restingTop, Math.max(0, saveBottom + 8 - keyboardTop))
    }

    // The on-screen keyboard goes with the panel.
    onVisibleChanged: if (!visible) {
        if (typingField)
            typingField.focus = false
        Qt.inputMethod.hide()
    }

    function save() {
        for (let n = 1; n <= 5; ++n) {
            sound.setconfigname(n, fields[2 * n - 2].text)
            sound.setconfigpath(n, fields[2 * n - 1].text)
        }
        sound.saveconfig()
        sound.loadconfig()
        // Without a save error (or an element that reports none) the captions take the names.
        if (!sound.saveerror)
            saved([configname1.text, configname2.text, configname3.text, configname4.text,
                   configname5.text])
    }

    function pickFolder(field) {
        folderdialog.field = field
        if (field.text !== "")
            folderdialog.currentFolder = "file://"
                    + field.text.split("/").map(encodeURIComponent).join("/")
        folderdialog.open()
    }
    Component.onCompleted: fields.forEach(field => field.folderWanted.connect(() => pickFolder(field)))

    // A file:// URL from the folder picker as a path.
    function pathOf(url) {
        return decodeURIComponent(url.toString().replace(/^file:\/\//, ""))
    }

    Rectangle {
        id: panel
        width: 660
        height: 500
        anchors.centerIn: parent
        anchors.verticalCenterOffset: -configform.lift
        color: "#6d6363"
        radius: 10
        border.width: 4
        border.color: "#d90707"
        opacity: 0.9
        smooth: true
        clip: true

        Text {
            id: ueberschrift
            objectName: "ueberschrift"
            x: 25
            y: 16
            text: "KEVARO V1.0"
            font.bold: true
            font.pixelSize: 27
        }

        SettingsField { id: configname1; objectName: "configname1"; x: 158; y: 69; labelX: 24; label: "Soundname 01:"; text: configform.sound.getconfigname(1) }
        SettingsField { id: configpath1; objectName: "configpath1"; x: 158; y: 99; labelX: 25; label: "Soundpath 01:"; text: configform.sound.getconfigpath(1); folder: true }
        SettingsField { id: configname2; objectName: "configname2"; x: 159; y: 129; labelX: 24; label: "Soundname 02:"; text: configform.sound.getconfigname(2) }
        SettingsField { id: configpath2; objectName: "configpath2"; x: 159; y: 159; labelX: 24; label: "Soundpath 02:"; text: configform.sound.getconfigpath(2); folder: true }
        SettingsField { id: configname3; objectName: "configname3"; x: 159; y: 189; labelX: 24; label: "Soundname 03:"; text: configform.sound.getconfigname(3) }
        SettingsField { id: configpath3; objectName: "configpath3"; x: 159; y: 219; labelX: 25; label: "Soundpath 03:"; text: configform.sound.getconfigpath(3); folder: true }
        SettingsField { id: configname4; objectName: "configname4"; x: 159; y: 249; labelX: 25; label: "Soundname 04:"; text: configform.sound.getconfigname(4) }
        SettingsField { id: configpath4; objectName: "configpath4"; x: 159; y: 279; labelX: 24; label: "Soundpath 04:"; text: configform.sound.getconfigpath(4); folder: true }
        SettingsField { id: configname5; objectName: "configname5"; x: 159; y: 309; labelX: 25; label: "Soundname 05:"; text: configform.sound.getconfigname(5) }
        SettingsField { id: configpath5; objectName: "configpath5"; x: 159; y: 339; labelX: 25; label: "Soundpath 05:"; text: configform.sound.getconfigpath(5); folder: true }

        Picture {
            id: savebutton
            objectName: "savebutton"
            x: 27
            y: 377
            width: 150
            height: 50
            picture: "button_150_blank"

            MouseArea {
                id: saveconfig
                objectName: "saveconfig"
                anchors.fill: parent
                onEntered: configform.save()

                Text {
                    id: savebuttontext1
                    objectName: "savebuttontext1"
                    anchors.centerIn: parent
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    text: "Save"
                    color: "#e6e5ac"
                    font.pixelSize: 23
                }
            }
        }

        Text {
            id: saveerrortext
            objectName: "saveerrortext"
            x: 195
            y: 380
            width: 440
            height: 50
            text: configform.sound.saveerror || ""
            visible: text !== ""
            color: "#fff2a8"
            font.bold: true
            font.pixelSize: 14
            wrapMode: Text.Wrap
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }

        Text {
            x: 27
            y: 440
            text: "Kevaro: a touch piano for Linux tablets."
            wrapMode: Text.WrapAnywhere
            font.pixelSize: 12
        }

        Text {
            x: 27
            y: 455
            text: "Sound: OpenAL Soft and libsndfile. Interface: Qt Quick."
            wrapMode: Text.WrapAnywhere
            font.pixelSize: 12
        }

        Text {
            x: 27
            y: 470
            text: "Sound sets are folders of WAV files named keyc0.wav to keyh1.wav."
            wrapMode: Text.WrapAnywhere
            font.pixelSize: 12
        }
    }

    FolderDialog {
        id: folderdialog
        objectName: "folderdialog"
        // The picker is drawn inside the piano's window, which it does not find by itself.
        parentWindow: configform.Window.window
        // The field that the chosen folder goes into.
        property Item field: null
        onAccepted: field.text = configform.pathOf(selectedFolder)
    }
}
