import QtQuick

// One key's touch area. Its objectName is the note name that it plays ("keycis1"); its label is
// "t" and the note ("tcis1"). The mouse plays on entering, the keyboard's touch area counts the
// fingers on it in `fingers`.
MouseArea {
    id: key
    y: 64
    property int fingers: 0
    readonly property bool held: containsPress || fingers > 0
    readonly property string note: objectName.slice(3)
    property alias label: label
    onEntered: parent.play(objectName)

    KeyLabel {
        id: label
        objectName: "t" + key.note
        text: key.note.toUpperCase()
        z: 1
        visible: key.parent.labelsShown
    }
}
