import QtQuick

// A switch of the settings panel with its words beside it; a tap on either, by finger or mouse,
// asks for the other state. Its objectName names what it switches ("dynamicstoggle").
Item {
    id: toggle
    width: words.x + words.implicitWidth
    height: 28

    required property string label
    required property bool on
    signal switched(bool on)

    Accessible.role: Accessible.Button
    Accessible.name: toggle.label
    Accessible.checkable: true
    Accessible.checked: toggle.on
    Accessible.onPressAction: toggle.switched(!toggle.on)

    // The track, red while on, with its knob at the right end then.
    Rectangle {
        id: track
        y: 1
        width: 48
        height: 26
        radius: 13
        color: toggle.on ? Theme.border : Theme.folderButton
        border.color: Theme.folderButtonBorder

        Rectangle {
            x: toggle.on ? track.width - width - 3 : 3
            y: 3
            width: 20
            height: 20
            radius: 10
            color: Theme.folderSymbol
        }
    }

    Text {
        id: words
        x: track.width + 12
        anchors.verticalCenter: track.verticalCenter
        text: toggle.label
        font.pixelSize: 16
    }

    // Takes the press, which must not reach the key beneath.
    MouseArea {
        anchors.fill: toggle
        onClicked: toggle.switched(!toggle.on)
    }
}
