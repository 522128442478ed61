import QtQuick

// The 21 key areas over the keyboard picture, and the touch area that gives each finger its key.
Item {
    id: keyboard
    width: 1366
    height: 768

    required property var sound
    property bool labelsShown: false
    readonly property var whiteKeys: [keyg0, keya0, keyh0, keyc1, keyd1, keye1, keyf1, keyg1, keya1,
        keyh1, keyc2, keyd2]
    readonly property var blackKeys: [keygis0, keyais0, keycis1, keydis1, keyfis1, keygis1, keyais1,
        keycis2, keydis2]

    function play(note) {
        sound.dosound(note)
    }

    WhiteKey { id: keyg0; objectName: "keyg0"; x: 0; width: 109 }
    WhiteKey { id: keya0; objectName: "keya0"; x: 110; width: 112 }
    WhiteKey { id: keyh0; objectName: "keyh0"; x: 223; width: 110 }
    WhiteKey { id: keyc1; objectName: "keyc1"; x: 335; width: 110 }
    WhiteKey { id: keyd1; objectName: "keyd1"; x: 446; width: 110 }
    WhiteKey { id: keye1; objectName: "keye1"; x: 558; width: 110 }
    WhiteKey { id: keyf1; objectName: "keyf1"; x: 671; width: 110 }
    WhiteKey { id: keyg1; objectName: "keyg1"; x: 784; width: 109 }
    WhiteKey { id: keya1; objectName: "keya1"; x: 895; width: 112 }
    WhiteKey { id: keyh1; objectName: "keyh1"; x: 1008; width: 110 }
    WhiteKey { id: keyc2; objectName: "keyc2"; x: 1120; width: 110 }
    WhiteKey { id: keyd2; objectName: "keyd2"; x: 1233; width: 109 }

    BlackKey { id: keygis0; objectName: "keygis0"; x: 74; width: 72 }
    BlackKey { id: keyais0; objectName: "keyais0"; x: 203; width: 72 }
    BlackKey { id: keycis1; objectName: "keycis1"; x: 398; width: 72 }
    BlackKey { id: keydis1; objectName: "keydis1"; x: 534; width: 72 }
    BlackKey { id: keyfis1; objectName: "keyfis1"; x: 729; width: 72 }
    BlackKey { id: keygis1; objectName: "keygis1"; x: 859; width: 72 }
    BlackKey { id: keyais1; objectName: "keyais1"; x: 988; width: 72 }
    BlackKey { id: keycis2; objectName: "keycis2"; x: 1184; width: 72 }
    BlackKey { id: keydis2; objectName: "keydis2"; x: 1317; width: 48 }

    // Every finger on the keyboard plays its own key, by the same rules as the mouse: the key
    // a finger lands on sounds at once and keeps that finger until it lifts, sounds again when
    // the finger comes back onto it, and no other key hears it. The mouse still goes to the
    // key areas themselves.
    MultiPointTouchArea {
        id: keyboardtouch
        objectName: "keyboardtouch"
        x: 0
        y: 64
        width: 1366
        height: 704
        mouseEnabled: false

        // Black keys first: they lie above the white ones.
        readonly property var keys: keyboard.blackKeys.concat(keyboard.whiteKeys)
        property var fingers: ({})

        function keyAt(point) {
            for (var i = 0; i < keys.length; ++i) {
                if (isOn(keys[i], point))
                    return keys[i]
            }
            return null
        }

        function isOn(key, point) {
            return key.contains(key.mapFromItem(keyboardtouch, point.x, point.y))
        }

        onPressed: touchPoints => {
            for (var i = 0; i < touchPoints.length; ++i) {
                var point = touchPoints[i]
                var key = keyAt(point)
                fingers[point.pointId] = {key: key, on: key !== null}
                if (key) {
                    key.fingers += 1
                    keyboard.play(key.objectName)
                }
            }
        }
        onUpdated: touchPoints => {
            for (var i = 0; i < touchPoints.length; ++i) {
                var finger = fingers[touchPoints[i].pointId]
                if (!finger || !finger.key)
                    continue
                var on = isOn(finger.key, touchPoints[i])
                if (on === finger.on)
                    continue
                finger.on = on
                finger.key.fingers += on ? 1 : -1
                if (on)
                    keyboard.play(finger.key.objectName)
            }
        }
        onReleased: touchPoints => lift(touchPoints)
        // A cancelled touch (a window change, a gesture) lifts its fingers too, so no key
        // stays shaded as held.
        onCanceled: touchPoints => lift(touchPoints)

        function lift(touchPoints) {
            for (var i = 0; i < touchPoints.length; ++i) {
                var finger = fingers[touchPoints[i].pointId]
                if (finger && finger.on)
                    finger.key.fingers -= 1
                delete fingers[touchPoints[i].pointId]
            }
        }
    }
}
