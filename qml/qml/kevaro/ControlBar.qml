import QtQuick

// The row of controls over the dark top band of the keyboard picture: label, loop and stop,
// the five sound sets, the settings toggle, the volume slider and close.
Item {
    id: bar
    width: Theme.frameWidth
    height: Theme.barHeight

    required property var sound
    // Device pixels per pixel of the 1366x768 scene: the pictures are read at that size.
    required property real density
    // The names on the five sound-set captions: the sound element's, until a Save gives others.
    property var setNames: [bar.sound.getmedianame(1), bar.sound.getmedianame(2),
        bar.sound.getmedianame(3), bar.sound.getmedianame(4), bar.sound.getmedianame(5)]
    // The sound set whose caption is red.
    property int selectedSet: 1
    readonly property bool labelsShown: flipdesc.flipped
    readonly property bool settingsShown: flipi.flipped

    function choose(number) {
        bar.sound.setmedia(number)
        bar.selectedSet = number
    }

    FlipToggle {
        id: flipdesc
        objectName: "flipdesc"
        x: 7
        name: qsTr("Show note names")
        density: bar.density
        frontPicture: "button_label_disabled"
        backPicture: "button_label_enabled"
    }

    FlipToggle {
        id: fliploop
        objectName: "fliploop"
        x: 64
        name: qsTr("Loop")
        density: bar.density
        frontPicture: "button_loop_disabled"
        backPicture: "button_loop_enabled"
        onToggled: bar.sound.playlooped = !bar.sound.playlooped
    }

    Picture {
        id: slider
        objectName: "slider"
        x: 934
        y: 25
        width: 300
        height: 10
        fillMode: Image.PreserveAspectFit
        picture: "slider_bg_300"
        density: bar.density
        readonly property int value: Math.round(handle.x * 100 / (slider.width - handle.width))
        onValueChanged: bar.sound.setVol(slider.value)

        Accessible.role: Accessible.Slider
        Accessible.name: qsTr("Volume")

        Picture {
            id: handle
            objectName: "handle"
            x: 250
            y: -20
            width: 50
            height: 50
            smooth: true
            fillMode: Image.PreserveAspectFit
            picture: "slider_50"
            density: bar.density

            MouseArea {
                objectName: "handledrag"
                anchors.fill: handle
                drag.target: handle
                drag.axis: Drag.XAxis
                drag.minimumX: 0
                drag.maximumX: slider.width - handle.width
            }
        }
    }

    Text {
        id: slidertext1
        objectName: "slidertext1"
        x: 1251
        y: 22
        width: 25
        color: Theme.pale
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 15
        //: The volume, a percentage
        text: qsTr("%1%").arg(slider.value)
    }

    BarButton {
        id: stop
        objectName: "stop"
        tapName: "mousestop"
        x: 141
        picture: "button_stop"
        name: qsTr("Stop all sound")
        density: bar.density
        onTapped: bar.sound.dropit()
    }

    SoundSetButton {
        id: media1
        objectName: "media1"
        x: 220
        number: 1
        name: bar.setNames[0]
        selected: bar.selectedSet === 1
        density: bar.density
        onChosen: bar.choose(1)
    }
    SoundSetButton {
        id: media2
        objectName: "media2"
        x: 340
        number: 2
        name: bar.setNames[1]
        selected: bar.selectedSet === 2
        density: bar.density
        onChosen: bar.choose(2)
    }
    SoundSetButton {
        id: media3
        objectName: "media3"
        x: 460
        number: 3
        name: bar.setNames[2]
        selected: bar.selectedSet === 3
        density: bar.density
        onChosen: bar.choose(3)
    }
    SoundSetButton {
        id: media4
        objectName: "media4"
        x: 580
        number: 4
        name: bar.setNames[3]
        selected: bar.selectedSet === 4
        density: bar.density
        onChosen: bar.choose(4)
    }
    SoundSetButton {
        id: media5
        objectName: "media5"
        x: 700
        number: 5
        name: bar.setNames[4]
        selected: bar.selectedSet === 5
        density: bar.density
        onChosen: bar.choose(5)
    }

    FlipToggle {
        id: flipi
        objectName: "flipi"
        x: 840
        name: qsTr("Settings")
        density: bar.density
        frontPicture: "button_50_disabled"
        backPicture: "button_50_enabled"
        symbol: "i"
    }

    BarButton {
        id: close
        objectName: "close"
        tapName: "keyclose"
        x: 1304
        picture: "button_close"
        name: qsTr("Close")
        density: bar.density
        onTapped: Qt.quit()
    }
}
