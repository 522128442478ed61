import QtQuick

// A sound-set button of the control bar: its caption names the set, red while it is the
// selected one; a tap chooses it. Its objectName ("media2") names the caption ("media2text1")
// and its tap ("media2click").
Picture {
    id: button
    y: 7
    width: 100
    height: 50
    required property int number
    // The set's name.
    required property string name
    required property bool selected
    signal chosen
    // Set 1 has the wider picture, drawn squeezed.
    picture: number === 1 ? "button_150_blank" : "button_100_blank"

    Accessible.role: Accessible.Button
    Accessible.name: button.name
    Accessible.checkable: true
    Accessible.checked: button.selected
    Accessible.onPressAction: button.chosen()

    Text {
        id: caption
        objectName: button.objectName + "text1"
        anchors.centerIn: button
        width: 25
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: button.selected ? Theme.selected : Theme.pale
        font.pixelSize: 15
        text: button.name
    }

    BarTap {
        objectName: button.objectName + "click"
        button: button
        onActivated: button.chosen()
    }
}
