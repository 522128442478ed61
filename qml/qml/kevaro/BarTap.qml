import QtQuick

// The tap of a control-bar button: a press that begins on the button and is released on it
// without sliding away, however long it was held. Each tap counts, also the second of a quick
// double tap. A press that Qt takes away does nothing, even when the finger comes up on the
// button after all. It only watches the press rather than taking it: a handler that takes it
// loses it to a window change and then holds on to the lifted finger in Qt 6.4. Nor is it a
// TapHandler, which in Qt 6.4 stays pressed through a touch the compositor cancels, then takes
// no grab of the next press and waits for that finger alone, deaf to every other touch.
PointHandler {
    id: tap
    // The button it lies on: a press that comes up off it is no tap.
    required property Item button
    signal activated

    // The press under way, until it slides away.
    property bool armed: false
    // The press just let go, on the button: a tap if it came up, not if Qt took it away.
    property bool lifted: false

    function slid() {
        const slide = Application.styleHints.startDragDistance
        const from = tap.point.scenePressPosition
        const at = tap.point.scenePosition
        return Math.abs(at.x - from.x) > slide || Math.abs(at.y - from.y) > slide
    }

    onActiveChanged: {
        tap.lifted = !tap.active && tap.armed && !tap.slid()
            && tap.button.contains(tap.point.position)
        tap.armed = tap.active
    }
    // A point that came up is reported once more after the handler let go of it; one that Qt
    // took away (a cancelled touch) is not, and the next press starts afresh.
    onPointChanged: {
        if (tap.lifted) {
            tap.lifted = false
            tap.activated()
        } else if (tap.armed && tap.slid()) {
            tap.armed = false
        }
    }
}
