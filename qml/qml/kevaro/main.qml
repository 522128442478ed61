import QtQuick
import QtQuick.VirtualKeyboard as VirtualKeyboard
import sounderbib 1.0

// The piano: a scene laid out in the pixels of a 1366x768 screen, scaled uniformly to fill the
// window and centred in it. The bands left over on the long side take the bar's dark colour.
Rectangle {
    id: rectangle1
    objectName: "rectangle1"
    width: 1366
    height: 768
    opacity: 1
    visible: true
    color: "#0e0d0c"

    SoundMethod {
        id: rsound
        objectName: "rsound"
    }

    Item {
        id: scene
        objectName: "scene"
        width: 1366
        height: 768
        transformOrigin: Item.TopLeft
        scale: Math.min(rectangle1.width / width, rectangle1.height / height)
        x: (rectangle1.width - width * scale) / 2
        y: (rectangle1.height - height * scale) / 2
        // Labels at the edge would otherwise spill into the bands.
        clip: true

        BorderImage {
            id: background
            objectName: "background"
            x: 0
            y: 0
            width: 1366
            height: 768
            smooth: true
            // Qt reads the scale of the double-size picture from its name.
            source: scene.scale > 1 ? "../../images/Tasten@2x.png" : "../../images/Tasten.png"
        }

        ControlBar {
            id: controlbar
            objectName: "controlbar"
            sound: rsound
            onLabelsToggled: keyboard.labelsShown = !keyboard.labelsShown
            onInfoToggled: configform.visible = !configform.visible
        }

        Keyboard {
            id: keyboard
            objectName: "keyboard"
            sound: rsound
        }

        SettingsPanel {
            id: configform
            objectName: "configform"
            sound: rsound
            keyboardTop: inputpanel.y
            onSaved: names => controlbar.setCaptions(names)
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
