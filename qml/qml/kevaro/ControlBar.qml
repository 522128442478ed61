import QtQuick

// The row of controls over the dark top band of the keyboard picture: label, loop and stop,
// the five sound sets, the settings toggle, the volume slider and close.
Item {
    id: bar
    width: 1366
    height: 64

    required property var sound
    // The sound set whose caption is red.
    property int selectedSet: 1
    signal labelsToggled
    signal infoToggled

    // Puts the given names on the five captions.
    function setCaptions(names) {
        const buttons = [media1, media2, media3, media4, media5]
        for (let n = 0; n < buttons.length; ++n)
            buttons[n].caption.text = names[n]
    }

    function choose(number) {
        sound.setmedia(number)
        selectedSet = number
    }

    FlipToggle {
        id: flipdesc
        objectName: "flipdesc"
        x: 7
        frontPicture: "button_label_disabled"
        backPicture: "button_label_enabled"
        onToggled: bar.labelsToggled()
    }

    FlipToggle {
        id: fliploop
        objectName: "fliploop"
        x: 64
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
        property int value: Math.round(handle.x * 100 / (slider.width - handle.width))
        onValueChanged: {
            bar.sound.setVol(value)
            slidertext1.text = value
        }

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

            MouseArea {
                anchors.fill: parent
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
        color: "#eeedad"
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 15
        text: "0%"
    }

    BarButton {
        id: stop
        objectName: "stop"
        tapName: "mousestop"
        x: 141
        picture: "button_stop"
        onTapped: bar.sound.dropit()
    }

    SoundSetButton { id: media1; objectName: "media1"; x: 220; number: 1 }
    SoundSetButton { id: media2; objectName: "media2"; x: 340; number: 2 }
    SoundSetButton { id: media3; objectName: "media3"; x: 460; number: 3 }
    SoundSetButton { id: media4; objectName: "media4"; x: 580; number: 4 }
    SoundSetButton { id: media5; objectName: "media5"; x: 700; number: 5 }

    FlipToggle {
        id: flipi
        objectName: "flipi"
        x: 840
        frontPicture: "button_50_disabled"
        backPicture: "button_50_enabled"
        symbol: "i"
        onToggled: bar.infoToggled()
    }

    BarButton {
        id: close
        objectName: "close"
        tapName: "keyclose"
        x: 1304
        picture: "button_close"
        onTapped: Qt.quit()
    }
}
