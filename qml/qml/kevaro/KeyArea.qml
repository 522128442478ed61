import QtQuick

// One key's touch area, playing `note` ("cis1"; its objectName is "key" and the note). Its
// label is "t" and the note ("tcis1"), centred on the key. The mouse strikes the key on
// entering it; the keyboard's touch area counts the fingers on it in `fingers`.
MouseArea {
    id: key
    y: Theme.barHeight
    required property string note
    required property bool labelsShown
    property int fingers: 0
    readonly property bool held: containsPress || fingers > 0
    property alias label: label
    signal struck

    Accessible.role: Accessible.Button
    Accessible.name: label.text
    Accessible.onPressAction: key.struck()

    onEntered: key.struck()

    KeyLabel {
        id: label
        objectName: "t" + key.note
        x: Math.round((key.width - label.width) / 2)
        text: key.note.toUpperCase()
        z: 1
        visible: key.labelsShown
    }
}
