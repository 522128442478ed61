import QtQuick

// A white key: shaded while held, its upper part only between the black neighbours.
KeyArea {
    id: key
    height: 694
    label.x: 45
    label.y: 636

    // The stretch of the upper part that no black key covers, in this key's pixels.
    readonly property var upper: {
        var left = 0, right = width
        var blacks = parent && parent.blackKeys ? parent.blackKeys : []
        for (var i = 0; i < blacks.length; ++i) {
            var start = blacks[i].x - x, end = blacks[i].x + blacks[i].width - x
            if (end > 0 && end < width / 2)
                left = Math.max(left, end)
            else if (start > width / 2 && start < width)
                right = Math.min(right, start)
        }
        return {left: left, width: right - left}
    }

    Rectangle {
        x: key.upper.left
        width: key.upper.width
        height: 444
        color: "#30405080"
        visible: key.held
    }

    Rectangle {
        y: 444
        width: key.width
        height: 250
        color: "#30405080"
        visible: key.held
    }
}
