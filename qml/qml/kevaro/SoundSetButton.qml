import QtQuick

// Sound-set button n of the control bar (its parent): its caption names the set, red while it is the
// selected one. Its objectName ("media2") names the caption ("media2text1") and its tap
// ("media2click").
Picture {
    id: button
    y: 7
    width: 100
    height: 50
    required property int number
    readonly property bool selected: parent.selectedSet === number
    property alias caption: caption
    // Set 1 has the wider picture, drawn squeezed.
    picture: number === 1 ? "button_150_blank" : "button_100_blank"

    Text {
        id: caption
        objectName: button.objectName + "text1"
        anchors.centerIn: parent
        width: 25
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: button.selected ? "#ff0000" : "#eeedad"
        font.pixelSize: 15
        text: button.parent.sound.getmedianame(button.number)
    }

    BarTap {
        objectName: button.objectName + "click"
        onActivated: button.parent.choose(button.number)
    }
}
