import QtQuick

// The tap of a control-bar button: a press that begins on the button and is released on it
// without sliding away, however long it was held. Each tap counts, also the second of a quick
// double tap. A press that Qt cancels does nothing, even when the finger comes up on the button
// after all. (The handler only watches the press rather than taking it: a handler that takes
// it loses it to a window change and then holds on to the lifted finger in Qt 6.4, deaf to
// every later touch.)
TapHandler {
    id: tap
    longPressThreshold: 3600
    signal activated

    property bool cancelled: false
    onPressedChanged: if (tap.pressed)
        tap.cancelled = false
    onCanceled: tap.cancelled = true
    onTapped: if (!tap.cancelled)
        tap.activated()
}
