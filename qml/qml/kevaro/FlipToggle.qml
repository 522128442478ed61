import QtQuick

// A switch of the control bar, drawn as a card that turns about its vertical centre line in
// half a second and shows its back face while it is on. A tap turns it, then `toggled` follows.
Flipable {
    id: toggle
    y: 7
    width: 50
    height: 50
    property bool flipped: false
    required property string frontPicture
    required property string backPicture
    // Device pixels per pixel of the 1366x768 scene: the pictures are read at that size.
    required property real density
    // What it switches, for people who do not see it.
    required property string name
    // Lettering on both faces, if any: pale on the front, red on the back.
    property string symbol: ""
    signal toggled

    Accessible.role: Accessible.Button
    Accessible.name: toggle.name
    Accessible.checkable: true
    Accessible.checked: toggle.flipped
    Accessible.onPressAction: toggle.flip()

    function flip() {
        toggle.flipped = !toggle.flipped
        toggle.toggled()
    }

    front: Picture {
        id: frontFace
        width: 50
        height: 50
        picture: toggle.frontPicture
        density: toggle.density

        FaceSymbol {
            anchors.centerIn: frontFace
            text: toggle.symbol
            color: Theme.pale
        }
    }
    back: Picture {
        id: backFace
        width: 50
        height: 50
        picture: toggle.backPicture
        density: toggle.density

        FaceSymbol {
            anchors.centerIn: backFace
            text: toggle.symbol
            color: Theme.selected
        }
    }
    transform: Rotation {
        id: rotation
        objectName: toggle.objectName + "rotation"
        origin.x: toggle.width / 2
        origin.y: toggle.height / 2
        axis.x: 0
        axis.y: 1
        axis.z: 0
        angle: 0
    }
    states: State {
        name: "back"
        when: toggle.flipped
        PropertyChanges {
            target: rotation
            angle: 180
        }
    }
    transitions: Transition {
        NumberAnimation {
            target: rotation
            property: "angle"
            duration: 500
        }
    }

    BarTap {
        button: toggle
        onActivated: toggle.flip()
    }
}
