import QtQuick

// A 50x50 button of the control bar that acts on a tap.
Picture {
    id: button
    y: 7
    width: 50
    height: 50
    property alias tapName: tap.objectName
    signal tapped

    BarTap {
        id: tap
        onActivated: button.tapped()
    }
}
