import QtQuick

// The 21 key areas over the keyboard picture, and the touch area that gives each finger its key.
// Each strike of a key by the mouse or a finger is a press of the sound element until lifted.
Item {
    id: keyboard
    width: Theme.frameWidth
    height: Theme.frameHeight

    required property var sound
    property bool labelsShown: false
    readonly property var whiteKeys: [keyg0, keya0, keyh0, keyc1, keyd1, keye1, keyf1, keyg1, keya1,
        keyh1, keyc2, keyd2]
    readonly property var blackKeys: [keygis0, keyais0, keycis1, keydis1, keyfis1, keygis1, keyais1,
        keycis2, keydis2]

    // The sound element's press for each strike not lifted yet, by who struck: "mouse cis1" for
    // the mouse on a key, "assistive cis1" for an assistive tool, "finger 3" for a finger.
    property var presses: ({})

    function strike(by, note, along) {
        keyboard.presses[by] = keyboard.sound.strike(note, along)
    }

    function lift(by) {
        keyboard.sound.lift(keyboard.presses[by])
        delete keyboard.presses[by]
    }

    // A key held down on a MIDI keyboard is shown held.
    Connections {
        target: keyboard.sound
        function onKeyHeldElsewhere(note: string, held: bool) {
            const key = keyboard.whiteKeys.concat(keyboard.blackKeys).find(key => key.note === note)
            if (key)
                key.heldElsewhere = held
        }
    }

    WhiteKey {
        id: keyg0
        objectName: "keyg0"
        note: "g0"
        x: 0
        width: 109
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keya0
        objectName: "keya0"
        note: "a0"
        x: 110
        width: 112
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyh0
        objectName: "keyh0"
        note: "h0"
        x: 223
        width: 110
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyc1
        objectName: "keyc1"
        note: "c1"
        x: 335
        width: 110
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyd1
        objectName: "keyd1"
        note: "d1"
        x: 446
        width: 110
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keye1
        objectName: "keye1"
        note: "e1"
        x: 558
        width: 110
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyf1
        objectName: "keyf1"
        note: "f1"
        x: 671
        width: 110
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyg1
        objectName: "keyg1"
        note: "g1"
        x: 784
        width: 109
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keya1
        objectName: "keya1"
        note: "a1"
        x: 895
        width: 112
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyh1
        objectName: "keyh1"
        note: "h1"
        x: 1008
        width: 110
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyc2
        objectName: "keyc2"
        note: "c2"
        x: 1120
        width: 110
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    WhiteKey {
        id: keyd2
        objectName: "keyd2"
        note: "d2"
        x: 1233
        width: 109
        labelsShown: keyboard.labelsShown
        blackKeys: keyboard.blackKeys
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }

    BlackKey {
        id: keygis0
        objectName: "keygis0"
        note: "gis0"
        x: 74
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keyais0
        objectName: "keyais0"
        note: "ais0"
        x: 203
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keycis1
        objectName: "keycis1"
        note: "cis1"
        x: 398
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keydis1
        objectName: "keydis1"
        note: "dis1"
        x: 534
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keyfis1
        objectName: "keyfis1"
        note: "fis1"
        x: 729
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keygis1
        objectName: "keygis1"
        note: "gis1"
        x: 859
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keyais1
        objectName: "keyais1"
        note: "ais1"
        x: 988
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keycis2
        objectName: "keycis2"
        note: "cis2"
        x: 1184
        width: 72
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }
    BlackKey {
        id: keydis2
        objectName: "keydis2"
        note: "dis2"
        x: 1317
        width: 48
        labelsShown: keyboard.labelsShown
        onStruck: (by, along) => keyboard.strike(by + " " + note, note, along)
        onLifted: by => keyboard.lift(by + " " + note)
    }

    KeyboardTouch {
        id: keyboardtouch
        objectName: "keyboardtouch"
        x: 0
        y: Theme.barHeight
        width: Theme.frameWidth
        height: Theme.frameHeight - Theme.barHeight
        // Black keys first: they lie above the white ones.
        keys: keyboard.blackKeys.concat(keyboard.whiteKeys)
        onStruck: (finger, key, along) => keyboard.strike("finger " + finger, key.note, along)
        onLifted: finger => keyboard.lift("finger " + finger)
    }
}
