import QtQuick

// One key's touch area, playing `note` ("cis1"; its objectName is "key" and the note). Its
// label is "t" and the note ("tcis1"), centred on the key. The mouse strikes the key while it
// holds it: on the press, and again on sliding back onto the key with the button held. Each
// strike is lifted once, whatever ends it: the button let go, the mouse sliding off, the grab
// lost. The keyboard's touch area counts the fingers on it in `fingers`.
MouseArea {
    id: key
    y: Theme.barHeight
    required property string note
    required property bool labelsShown
    property int fingers: 0
    // Held down on a MIDI keyboard.
    property bool heldElsewhere: false
    readonly property bool held: containsPress || fingers > 0 || heldElsewhere
    property alias label: label
    // Struck `along` the key's length, from its back edge (0) to its front edge (1), by the
    // mouse ("mouse") or an assistive tool ("assistive"), and lifted again.
    signal struck(string by, real along)
    signal lifted(string by)

    Accessible.role: Accessible.Button
    Accessible.name: label.text
    // Pressed in the middle, as a tap.
    Accessible.onPressAction: {
        key.struck("assistive", 0.5)
        key.lifted("assistive")
    }

    // Whether the mouse's strike awaits its lift. Qt also reports a press change that leaves
    // containsPress as it was (a release beside the key): that is no strike and no lift.
    property bool mouseStruck: false
    onContainsPressChanged: {
        if (key.containsPress === key.mouseStruck)
            return
        key.mouseStruck = key.containsPress
        if (key.mouseStruck)
            key.struck("mouse", key.along(key.mouseY))
        else
            key.lifted("mouse")
    }

    // How far along the key's length, 0 to 1, the point `y` of the key lies.
    function along(y: real): real {
        return Math.max(0, Math.min(1, y / key.height))
    }

    KeyLabel {
        id: label
        objectName: "t" + key.note
        x: Math.round((key.width - label.width) / 2)
        text: key.note.toUpperCase()
        z: 1
        visible: key.labelsShown
    }
}
