import QtQuick

// A white key: shaded while held, its upper part only between the black neighbours.
KeyArea {
    id: key
    height: 694
    label.y: 636

    // The black keys of the keyboard, which cover this key's upper corners.
    required property var blackKeys

    // The stretch of the upper part that no black key covers, in this key's pixels.
    readonly property var upper: {
        let left = 0, right = key.width
        for (const black of key.blackKeys) {
            const start = black.x - key.x, end = black.x + black.width - key.x
            if (end > 0 && end < key.width / 2)
                left = Math.max(left, end)
            else if (start > key.width / 2 && start < key.width)
                right = Math.min(right, start)
        }
        return {left: left, width: right - left}
    }

    Rectangle {
        x: key.upper.left
        width: key.upper.width
        height: 444
        color: Theme.whiteKeyHeld
        visible: key.held
    }

    Rectangle {
        y: 444
        width: key.width
        height: 250
        color: Theme.whiteKeyHeld
        visible: key.held
    }
}
