import QtQuick

// Every finger on the keyboard plays its own key, by the same rules as the mouse: the key a
// finger lands on is struck at once and keeps that finger until it lifts, is struck again when
// the finger comes back onto it, and no other key hears it. Each strike is lifted once: when
// the finger lifts or leaves the key, or the touch is cancelled. The mouse still goes to the
// key areas themselves.
MultiPointTouchArea {
    id: touch
    mouseEnabled: false

    // The keys, topmost first.
    required property var keys
    // A finger (by its touch point's id) struck `key` at `along` its length, or lifted it.
    signal struck(int finger, Item key, real along)
    signal lifted(int finger)

    // Each finger down: the key it landed on (or null) and whether it is on that key now.
    property var fingers: ({})

    function keyAt(point) {
        for (var i = 0; i < touch.keys.length; ++i) {
            if (touch.isOn(touch.keys[i], point))
                return touch.keys[i]
        }
        return null
    }

    function isOn(key, point) {
        return key.contains(key.mapFromItem(touch, point.x, point.y))
    }

    function strike(finger, point) {
        finger.on = true
        finger.key.fingers += 1
        touch.struck(point.pointId, finger.key,
                     finger.key.along(finger.key.mapFromItem(touch, point.x, point.y).y))
    }

    function lift(finger, point) {
        finger.on = false
        finger.key.fingers -= 1
        touch.lifted(point.pointId)
    }

    onPressed: touchPoints => {
        for (var i = 0; i < touchPoints.length; ++i) {
            var point = touchPoints[i]
            var finger = {key: touch.keyAt(point), on: false}
            touch.fingers[point.pointId] = finger
            if (finger.key)
                touch.strike(finger, point)
        }
    }
    onUpdated: touchPoints => {
        for (var i = 0; i < touchPoints.length; ++i) {
            var point = touchPoints[i]
            var finger = touch.fingers[point.pointId]
            if (!finger || !finger.key || touch.isOn(finger.key, point) === finger.on)
                continue
            if (finger.on)
                touch.lift(finger, point)
            else
                touch.strike(finger, point)
        }
    }
    onReleased: touchPoints => touch.letGo(touchPoints)
    // A cancelled touch (a window change, a gesture) lets go as a lifted finger does, so no
    // key stays held.
    onCanceled: touchPoints => touch.letGo(touchPoints)

    function letGo(touchPoints) {
        for (var i = 0; i < touchPoints.length; ++i) {
            var finger = touch.fingers[touchPoints[i].pointId]
            if (finger && finger.on)
                touch.lift(finger, touchPoints[i])
            delete touch.fingers[touchPoints[i].pointId]
        }
    }
}
