import QtQuick

// The tap of a control-bar button: a press that begins on the button and is released on it,
// however long it was held. Each tap counts, also the second of a quick double tap, and a press
// that is cancelled or released elsewhere does nothing.
TapHandler {
    gesturePolicy: TapHandler.ReleaseWithinBounds
    longPressThreshold: 3600
}
