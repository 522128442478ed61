import QtQuick

// A 50x50 button of the control bar that acts on a tap. `name` says what it does, for people
// who do not see it.
Picture {
    id: button
    y: 7
    width: 50
    height: 50
    required property string name
    property alias tapName: tap.objectName
    signal tapped

    Accessible.role: Accessible.Button
    Accessible.name: button.name
    Accessible.onPressAction: button.tapped()

    BarTap {
        id: tap
        button: button
        onActivated: button.tapped()
    }
}
