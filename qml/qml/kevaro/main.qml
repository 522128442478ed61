import QtQuick
import QtQuick.VirtualKeyboard as VirtualKeyboard
import sounderbib 1.0

// The piano: a scene laid out in the pixels of a 1366x768 screen, scaled uniformly to fill the
// window and centred in it. The bands left over on the long side take the bar's dark colour.
Rectangle {
    id: rectangle1
    objectName: "rectangle1"
    width: Theme.frameWidth
    height: Theme.frameHeight
    opacity: 1
    visible: true
    color: Theme.band

    SoundMethod {
        id: rsound
        objectName: "rsound"
    }

    // A sound set chosen on a MIDI keyboard is chosen as if its button was tapped.
    Connections {
        target: rsound
        function onSetChosenElsewhere(number: int) {
            if (number >= 1 && number <= 5)
                controlbar.choose(number)
        }
    }

    Item {
        id: scene
        objectName: "scene"
        width: Theme.frameWidth
        height: Theme.frameHeight
        transformOrigin: Item.TopLeft
        scale: Math.min(rectangle1.width / width, rectangle1.height / height)
        x: (rectangle1.width - width * scale) / 2
        y: (rectangle1.height - height * scale) / 2
        // Labels at the edge would otherwise spill into the bands.
        clip: true
        // Device pixels per scene pixel, for which the pictures are read at two or three times
        // their size.
        readonly property real density: scale * Screen.devicePixelRatio

        BorderImage {
            id: background
            objectName: "background"
            x: 0
            y: 0
            width: Theme.frameWidth
            height: Theme.frameHeight
            smooth: true
            source: "../../images/Tasten" + Theme.sizeSuffix(scene.density) + ".png"
        }

        ControlBar {
            id: controlbar
            objectName: "controlbar"
            sound: rsound
            density: scene.density
        }

        Keyboard {
            id: keyboard
            objectName: "keyboard"
            sound: rsound
            labelsShown: controlbar.labelsShown
        }

        SettingsPanel {
            id: configform
            objectName: "configform"
            sound: rsound
            density: scene.density
            visible: controlbar.settingsShown
            keyboardTop: inputpanel.y
            onSaved: names => controlbar.setNames = names
        }

        // The on-screen keyboard, up while a settings field has the focus.
        VirtualKeyboard.InputPanel {
            id: inputpanel
            objectName: "inputpanel"
            width: 800
            x: (scene.width - width) / 2
            y: active ? scene.height - height : scene.height
            visible: active
        }
    }
}
