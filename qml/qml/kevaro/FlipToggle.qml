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
    // Lettering on both faces, if any: pale on the front, red on the back.
    property string symbol: ""
    signal toggled

    front: Picture {
        width: 50
        height: 50
        picture: toggle.frontPicture

        FaceSymbol {
            text: toggle.symbol
            color: "#eeedad"
        }
    }
    back: Picture {
        width: 50
        height: 50
        picture: toggle.backPicture

        FaceSymbol {
            text: toggle.symbol
            color: "#ff0000"
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
        onActivated: {
            toggle.flipped = !toggle.flipped
            toggle.toggled()
        }
    }
}
