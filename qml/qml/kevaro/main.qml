import QtQuick
import sounderbib 1.0

Rectangle {
    id: rectangle1
    width: 1366
    height: 768
    opacity: 1
    visible: true

    SoundMethod {
        id: rsound
    }

    BorderImage {
        id: background
        x: 0
        y: 0
        width: 1366
        height: 768
        smooth: true
        source: "../../images/Tasten.png"
    }

    // The bar's buttons act when a press that began on them is released on them. They listen
    // to the release rather than to clicks, because a quick second tap arrives as a double
    // click and would otherwise be lost.
    Flipable {
        id: flipdesc
        x: 7
        y: 7
        width: 50
        height: 50
        property bool flipped: false

        front: Image {
            x: 0
            y: 0
            width: 50
            height: 50
            source: "../../images/button_label_disabled.png"
        }
        back: Image {
            x: 0
            y: 0
            width: 50
            height: 50
            source: "../../images/button_label_enabled.png"
        }
        transform: Rotation {
            id: flipdescrotation
            origin.x: flipdesc.width / 2
            origin.y: flipdesc.height / 2
            axis.x: 0
            axis.y: 1
            axis.z: 0
            angle: 0
        }
        states: State {
            name: "back"
            when: flipdesc.flipped
            PropertyChanges {
                target: flipdescrotation
                angle: 180
            }
        }
        transitions: Transition {
            NumberAnimation {
                target: flipdescrotation
                property: "angle"
                duration: 500
            }
        }

        MouseArea {
            x: 0
            y: 0
            width: 50
            height: 50
            onReleased: if (containsMouse) {
                flipdesc.flipped = !flipdesc.flipped
                tg0.visible = !tg0.visible
                th0.visible = !th0.visible
                ta0.visible = !ta0.visible
                tgis0.visible = !tgis0.visible
                tais0.visible = !tais0.visible
                tc1.visible = !tc1.visible
                td1.visible = !td1.visible
                te1.visible = !te1.visible
                tf1.visible = !tf1.visible
                tg1.visible = !tg1.visible
                ta1.visible = !ta1.visible
                th1.visible = !th1.visible
                tcis1.visible = !tcis1.visible
                tdis1.visible = !tdis1.visible
                tais1.visible = !tais1.visible
                tgis1.visible = !tgis1.visible
                tfis1.visible = !tfis1.visible
                tc2.visible = !tc2.visible
                td2.visible = !td2.visible
                tcis2.visible = !tcis2.visible
                tdis2.visible = !tdis2.visible
            }
        }
    }

    Flipable {
        id: fliploop
        x: 64
        y: 7
        width: 50
        height: 50
        property bool flipped: false

        front: Image {
            x: 0
            y: 0
            width: 50
            height: 50
            source: "../../images/button_loop_disabled.png"
        }
        back: Image {
            x: 0
            y: 0
            width: 50
            height: 50
            source: "../../images/button_loop_enabled.png"
        }
        transform: Rotation {
            id: fliplooprotation
            origin.x: fliploop.width / 2
            origin.y: fliploop.height / 2
            axis.x: 0
            axis.y: 1
            axis.z: 0
            angle: 0
        }
        states: State {
            name: "back"
            when: fliploop.flipped
            PropertyChanges {
                target: fliplooprotation
                angle: 180
            }
        }
        transitions: Transition {
            NumberAnimation {
                target: fliplooprotation
                property: "angle"
                duration: 500
            }
        }

        MouseArea {
            x: 0
            y: 0
            width: 50
            height: 50
            onReleased: if (containsMouse) {
                fliploop.flipped = !fliploop.flipped
                rsound.playlooped = !rsound.playlooped
            }
        }
    }

    Image {
        id: slider
        x: 934
        y: 25
        width: 300
        height: 10
        fillMode: Image.PreserveAspectFit
        source: "../../images/slider_bg_300.png"
        property int value: Math.round(handle.x * 100 / (slider.width - handle.width))
        onValueChanged: {
            rsound.setVol(value)
            slidertext1.text = value
        }

        Image {
            id: handle
            x: 250
            y: -20
            width: 50
            height: 50
            smooth: true
            fillMode: Image.PreserveAspectFit
            source: "../../images/slider_50.png"

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
        x: 1251
        y: 22
        width: 25
        color: "#eeedad"
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 15
        text: "0%"
    }

    Image {
        id: stop
        x: 141
        y: 7
        width: 50
        height: 50
        source: "../../images/button_stop.png"

        MouseArea {
            id: mousestop
            x: 0
            y: 0
            width: 50
            height: 50
            onReleased: if (containsMouse)
                rsound.dropit()
        }
    }

    Image {
        id: media1
        x: 220
        y: 7
        width: 100
        height: 50
        source: "../../images/button_150_blank.png"

        Text {
            id: media1text1
            anchors.centerIn: parent
            width: 25
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: "#ff0000"
            font.pixelSize: 15
            text: rsound.getmedianame(1)
        }

        MouseArea {
            id: media1click
            x: 0
            y: 0
            width: 100
            height: 50
            onReleased: if (containsMouse) {
                rsound.setmedia(1)
                media1text1.color = "#ff0000"
                media2text1.color = "#eeedad"
                media3text1.color = "#eeedad"
                media4text1.color = "#eeedad"
                media5text1.color = "#eeedad"
            }
        }
    }

    Image {
        id: media2
        x: 340
        y: 7
        width: 100
        height: 50
        source: "../../images/button_100_blank.png"

        Text {
            id: media2text1
            anchors.centerIn: parent
            width: 25
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: "#eeedad"
            font.pixelSize: 15
            text: rsound.getmedianame(2)
        }

        MouseArea {
            id: media2click
            x: 0
            y: 0
            width: 100
            height: 50
            onReleased: if (containsMouse) {
                rsound.setmedia(2)
                media1text1.color = "#eeedad"
                media2text1.color = "#ff0000"
                media3text1.color = "#eeedad"
                media4text1.color = "#eeedad"
                media5text1.color = "#eeedad"
            }
        }
    }

    Image {
        id: media3
        x: 460
        y: 7
        width: 100
        height: 50
        source: "../../images/button_100_blank.png"

        Text {
            id: media3text1
            anchors.centerIn: parent
            width: 25
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: "#eeedad"
            font.pixelSize: 15
            text: rsound.getmedianame(3)
        }

        MouseArea {
            id: media3click
            x: 0
            y: 0
            width: 100
            height: 50
            onReleased: if (containsMouse) {
                rsound.setmedia(3)
                media1text1.color = "#eeedad"
                media2text1.color = "#eeedad"
                media3text1.color = "#ff0000"
                media4text1.color = "#eeedad"
                media5text1.color = "#eeedad"
            }
        }
    }

    Image {
        id: media4
        x: 580
        y: 7
        width: 100
        height: 50
        source: "../../images/button_100_blank.png"

        Text {
            id: media4text1
            anchors.centerIn: parent
            width: 25
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: "#eeedad"
            font.pixelSize: 15
            text: rsound.getmedianame(4)
        }

        MouseArea {
            id: media4click
            x: 0
            y: 0
            width: 100
            height: 50
            onReleased: if (containsMouse) {
                rsound.setmedia(4)
                media1text1.color = "#eeedad"
                media2text1.color = "#eeedad"
                media3text1.color = "#eeedad"
                media4text1.color = "#ff0000"
                media5text1.color = "#eeedad"
            }
        }
    }

    Image {
        id: media5
        x: 700
        y: 7
        width: 100
        height: 50
        source: "../../images/button_100_blank.png"

        Text {
            id: media5text1
            anchors.centerIn: parent
            width: 25
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: "#eeedad"
            font.pixelSize: 15
            text: rsound.getmedianame(5)
        }

        MouseArea {
            id: media5click
            x: 0
            y: 0
            width: 100
            height: 50
            onReleased: if (containsMouse) {
                rsound.setmedia(5)
                media1text1.color = "#eeedad"
                media2text1.color = "#eeedad"
                media3text1.color = "#eeedad"
                media4text1.color = "#eeedad"
                media5text1.color = "#ff0000"
            }
        }
    }

    Flipable {
        id: flipi
        x: 840
        y: 7
        width: 50
        height: 50
        property bool flipped: false

        front: Image {
            x: 0
            y: 0
            width: 50
            height: 50
            source: "../../images/button_50_disabled.png"

            Text {
                anchors.centerIn: parent
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                text: "i"
                color: "#eeedad"
                style: Text.Outline
                font.bold: true
                font.italic: false
                font.pixelSize: 28
            }
        }
        back: Image {
            x: 0
            y: 0
            width: 50
            height: 50
            source: "../../images/button_50_enabled.png"

            Text {
                anchors.centerIn: parent
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                text: "i"
                color: "#ff0000"
                style: Text.Outline
                font.bold: true
                font.italic: false
                font.pixelSize: 28
            }
        }
        transform: Rotation {
            id: flipirotation
            origin.x: flipi.width / 2
            origin.y: flipi.height / 2
            axis.x: 0
            axis.y: 1
            axis.z: 0
            angle: 0
        }
        states: State {
            name: "back"
            when: flipi.flipped
            PropertyChanges {
                target: flipirotation
                angle: 180
            }
        }
        transitions: Transition {
            NumberAnimation {
                target: flipirotation
                property: "angle"
                duration: 500
            }
        }

        MouseArea {
            x: 0
            y: 0
            width: 50
            height: 50
            onReleased: if (containsMouse) {
                flipi.flipped = !flipi.flipped
                configform.visible = !configform.visible
            }
        }
    }

    Image {
        id: close
        x: 1304
        y: 7
        width: 50
        height: 50
        source: "../../images/button_close.png"

        MouseArea {
            id: keyclose
            x: 0
            y: 0
            width: 50
            height: 50
            onReleased: if (containsMouse)
                Qt.quit()
        }
    }

    MouseArea {
        id: keyg0
        objectName: "keyg0"
        x: 0
        y: 64
        width: 109
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyg0")

        Rectangle {
            x: 0
            width: 74
            height: 444
            color: "#30405080"
            visible: keyg0.held
        }

        Rectangle {
            y: 444
            width: 109
            height: 250
            color: "#30405080"
            visible: keyg0.held
        }

        Text {
            id: tg0
            x: 45
            y: 636
            text: "G0"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keya0
        objectName: "keya0"
        x: 110
        y: 64
        width: 112
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keya0")

        Rectangle {
            x: 36
            width: 57
            height: 444
            color: "#30405080"
            visible: keya0.held
        }

        Rectangle {
            y: 444
            width: 112
            height: 250
            color: "#30405080"
            visible: keya0.held
        }

        Text {
            id: ta0
            x: 45
            y: 636
            text: "A0"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyh0
        objectName: "keyh0"
        x: 223
        y: 64
        width: 110
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyh0")

        Rectangle {
            x: 52
            width: 58
            height: 444
            color: "#30405080"
            visible: keyh0.held
        }

        Rectangle {
            y: 444
            width: 110
            height: 250
            color: "#30405080"
            visible: keyh0.held
        }

        Text {
            id: th0
            x: 45
            y: 636
            text: "H0"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyc1
        objectName: "keyc1"
        x: 335
        y: 64
        width: 110
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyc1")

        Rectangle {
            x: 0
            width: 63
            height: 444
            color: "#30405080"
            visible: keyc1.held
        }

        Rectangle {
            y: 444
            width: 110
            height: 250
            color: "#30405080"
            visible: keyc1.held
        }

        Text {
            id: tc1
            x: 45
            y: 636
            text: "C1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyd1
        objectName: "keyd1"
        x: 446
        y: 64
        width: 110
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyd1")

        Rectangle {
            x: 24
            width: 64
            height: 444
            color: "#30405080"
            visible: keyd1.held
        }

        Rectangle {
            y: 444
            width: 110
            height: 250
            color: "#30405080"
            visible: keyd1.held
        }

        Text {
            id: td1
            x: 45
            y: 636
            text: "D1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keye1
        objectName: "keye1"
        x: 558
        y: 64
        width: 110
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keye1")

        Rectangle {
            x: 48
            width: 62
            height: 444
            color: "#30405080"
            visible: keye1.held
        }

        Rectangle {
            y: 444
            width: 110
            height: 250
            color: "#30405080"
            visible: keye1.held
        }

        Text {
            id: te1
            x: 45
            y: 636
            text: "E1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyf1
        objectName: "keyf1"
        x: 671
        y: 64
        width: 110
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyf1")

        Rectangle {
            x: 0
            width: 58
            height: 444
            color: "#30405080"
            visible: keyf1.held
        }

        Rectangle {
            y: 444
            width: 110
            height: 250
            color: "#30405080"
            visible: keyf1.held
        }

        Text {
            id: tf1
            x: 45
            y: 636
            text: "F1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyg1
        objectName: "keyg1"
        x: 784
        y: 64
        width: 109
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyg1")

        Rectangle {
            x: 17
            width: 58
            height: 444
            color: "#30405080"
            visible: keyg1.held
        }

        Rectangle {
            y: 444
            width: 109
            height: 250
            color: "#30405080"
            visible: keyg1.held
        }

        Text {
            id: tg1
            x: 45
            y: 636
            text: "G1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keya1
        objectName: "keya1"
        x: 895
        y: 64
        width: 112
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keya1")

        Rectangle {
            x: 36
            width: 57
            height: 444
            color: "#30405080"
            visible: keya1.held
        }

        Rectangle {
            y: 444
            width: 112
            height: 250
            color: "#30405080"
            visible: keya1.held
        }

        Text {
            id: ta1
            x: 45
            y: 636
            text: "A1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyh1
        objectName: "keyh1"
        x: 1008
        y: 64
        width: 110
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyh1")

        Rectangle {
            x: 52
            width: 58
            height: 444
            color: "#30405080"
            visible: keyh1.held
        }

        Rectangle {
            y: 444
            width: 110
            height: 250
            color: "#30405080"
            visible: keyh1.held
        }

        Text {
            id: th1
            x: 45
            y: 636
            text: "H1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyc2
        objectName: "keyc2"
        x: 1120
        y: 64
        width: 110
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyc2")

        Rectangle {
            x: 0
            width: 64
            height: 444
            color: "#30405080"
            visible: keyc2.held
        }

        Rectangle {
            y: 444
            width: 110
            height: 250
            color: "#30405080"
            visible: keyc2.held
        }

        Text {
            id: tc2
            x: 45
            y: 636
            text: "C2"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyd2
        objectName: "keyd2"
        x: 1233
        y: 64
        width: 109
        height: 694
        // Touches come through the keyboard's touch area below; it counts them here.
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyd2")

        Rectangle {
            x: 23
            width: 61
            height: 444
            color: "#30405080"
            visible: keyd2.held
        }

        Rectangle {
            y: 444
            width: 109
            height: 250
            color: "#30405080"
            visible: keyd2.held
        }

        Text {
            id: td2
            x: 45
            y: 636
            text: "D2"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keygis0
        objectName: "keygis0"
        x: 74
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keygis0")

        Rectangle {
            width: keygis0.width
            height: keygis0.height
            radius: 3
            color: "#40c0d0ff"
            visible: keygis0.held
        }

        Text {
            id: tgis0
            x: 25
            y: 363
            text: "GIS0"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyais0
        objectName: "keyais0"
        x: 203
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyais0")

        Rectangle {
            width: keyais0.width
            height: keyais0.height
            radius: 3
            color: "#40c0d0ff"
            visible: keyais0.held
        }

        Text {
            id: tais0
            x: 25
            y: 363
            text: "AIS0"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keycis1
        objectName: "keycis1"
        x: 398
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keycis1")

        Rectangle {
            width: keycis1.width
            height: keycis1.height
            radius: 3
            color: "#40c0d0ff"
            visible: keycis1.held
        }

        Text {
            id: tcis1
            x: 25
            y: 363
            text: "CIS1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keydis1
        objectName: "keydis1"
        x: 534
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keydis1")

        Rectangle {
            width: keydis1.width
            height: keydis1.height
            radius: 3
            color: "#40c0d0ff"
            visible: keydis1.held
        }

        Text {
            id: tdis1
            x: 25
            y: 363
            text: "DIS1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyfis1
        objectName: "keyfis1"
        x: 729
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyfis1")

        Rectangle {
            width: keyfis1.width
            height: keyfis1.height
            radius: 3
            color: "#40c0d0ff"
            visible: keyfis1.held
        }

        Text {
            id: tfis1
            x: 25
            y: 363
            text: "FIS1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keygis1
        objectName: "keygis1"
        x: 859
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keygis1")

        Rectangle {
            width: keygis1.width
            height: keygis1.height
            radius: 3
            color: "#40c0d0ff"
            visible: keygis1.held
        }

        Text {
            id: tgis1
            x: 25
            y: 363
            text: "GIS1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keyais1
        objectName: "keyais1"
        x: 988
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keyais1")

        Rectangle {
            width: keyais1.width
            height: keyais1.height
            radius: 3
            color: "#40c0d0ff"
            visible: keyais1.held
        }

        Text {
            id: tais1
            x: 25
            y: 363
            text: "AIS1"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keycis2
        objectName: "keycis2"
        x: 1184
        y: 64
        width: 72
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keycis2")

        Rectangle {
            width: keycis2.width
            height: keycis2.height
            radius: 3
            color: "#40c0d0ff"
            visible: keycis2.held
        }

        Text {
            id: tcis2
            x: 25
            y: 363
            text: "CIS2"
            visible: false
            font.pixelSize: 12
        }
    }

    MouseArea {
        id: keydis2
        objectName: "keydis2"
        x: 1317
        y: 64
        width: 48
        height: 444
        property int fingers: 0
        readonly property bool held: containsPress || fingers > 0
        onEntered: rsound.dosound("keydis2")

        Rectangle {
            width: keydis2.width
            height: keydis2.height
            radius: 3
            color: "#40c0d0ff"
            visible: keydis2.held
        }

        Text {
            id: tdis2
            x: 25
            y: 363
            text: "DIS2"
            visible: false
            font.pixelSize: 12
        }
    }

    // Every finger on the keyboard plays its own key, by the same rules as the mouse: the key
    // a finger lands on sounds at once and keeps that finger until it lifts, sounds again when
    // the finger comes back onto it, and no other key hears it. The mouse still goes to the
    // key areas themselves.
    MultiPointTouchArea {
        id: keyboardtouch
        x: 0
        y: 64
        width: 1366
        height: 704
        mouseEnabled: false

        // Black keys first: they lie above the white ones.
        readonly property var keys: [keygis0, keyais0, keycis1, keydis1, keyfis1, keygis1, keyais1, keycis2, keydis2,
            keyg0, keya0, keyh0, keyc1, keyd1, keye1, keyf1, keyg1, keya1, keyh1, keyc2, keyd2]
        property var fingers: ({})

        function keyAt(point) {
            for (var i = 0; i < keys.length; ++i) {
                var local = keys[i].mapFromItem(keyboardtouch, point.x, point.y)
                if (keys[i].contains(local))
                    return keys[i]
            }
            return null
        }

        function isOn(key, point) {
            return key.contains(key.mapFromItem(keyboardtouch, point.x, point.y))
        }

        onPressed: touchPoints => {
            for (var i = 0; i < touchPoints.length; ++i) {
                var point = touchPoints[i]
                var key = keyAt(point)
                fingers[point.pointId] = { key: key, on: key !== null }
                if (key) {
                    key.fingers += 1
                    rsound.dosound(key.objectName)
                }
            }
        }
        onUpdated: touchPoints => {
            for (var i = 0; i < touchPoints.length; ++i) {
                var finger = fingers[touchPoints[i].pointId]
                if (!finger || !finger.key)
                    continue
                var on = isOn(finger.key, touchPoints[i])
                if (on === finger.on)
                    continue
                finger.on = on
                finger.key.fingers += on ? 1 : -1
                if (on)
                    rsound.dosound(finger.key.objectName)
            }
        }
        onReleased: touchPoints => lift(touchPoints)
        onCanceled: touchPoints => lift(touchPoints)

        function lift(touchPoints) {
            for (var i = 0; i < touchPoints.length; ++i) {
                var finger = fingers[touchPoints[i].pointId]
                if (finger && finger.on)
                    finger.key.fingers -= 1
                delete fingers[touchPoints[i].pointId]
            }
        }
    }

    Rectangle {
        id: configform
        y: 65
        width: 1366
        height: 700
        anchors.horizontalCenter: parent.horizontalCenter
        color: "#000000"
        border.color: "#d90707"
        visible: false

        Rectangle {
            width: 660
            height: 500
            anchors.centerIn: parent
            color: "#6d6363"
            radius: 10
            border.width: 4
            border.color: "#d90707"
            opacity: 0.9
            smooth: true
            clip: true

            Text {
                id: ueberschrift
                x: 25
                y: 16
                text: "KEVARO V1.0"
                font.bold: true
                font.pixelSize: 27
            }

            Text {
                x: 24
                y: 69
                text: "Soundname 01:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configname1
                x: 158
                y: 69
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigname(1)
            }

            Text {
                x: 25
                y: 99
                text: "Soundpath 01:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configpath1
                x: 158
                y: 99
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigpath(1)
            }

            Text {
                x: 24
                y: 129
                text: "Soundname 02:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configname2
                x: 159
                y: 129
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigname(2)
            }

            Text {
                x: 24
                y: 159
                text: "Soundpath 02:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configpath2
                x: 159
                y: 159
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigpath(2)
            }

            Text {
                x: 24
                y: 189
                text: "Soundname 03:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configname3
                x: 159
                y: 189
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigname(3)
            }

            Text {
                x: 25
                y: 219
                text: "Soundpath 03:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configpath3
                x: 159
                y: 219
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigpath(3)
            }

            Text {
                x: 25
                y: 249
                text: "Soundname 04:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configname4
                x: 159
                y: 249
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigname(4)
            }

            Text {
                x: 24
                y: 279
                text: "Soundpath 04:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configpath4
                x: 159
                y: 279
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigpath(4)
            }

            Text {
                x: 25
                y: 309
                text: "Soundname 05:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configname5
                x: 159
                y: 309
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigname(5)
            }

            Text {
                x: 25
                y: 339
                text: "Soundpath 05:"
                font.pixelSize: 16
            }

            TextEdit {
                id: configpath5
                x: 159
                y: 339
                width: 462
                height: 20
                font.pixelSize: 16
                text: rsound.getconfigpath(5)
            }

            Image {
                id: savebutton
                x: 27
                y: 377
                width: 150
                height: 50
                source: "../../images/button_150_blank.png"

                MouseArea {
                    id: saveconfig
                    anchors.fill: parent
                    onEntered: {
                        rsound.setconfigname(1, configname1.text)
                        rsound.setconfigpath(1, configpath1.text)
                        rsound.setconfigname(2, configname2.text)
                        rsound.setconfigpath(2, configpath2.text)
                        rsound.setconfigname(3, configname3.text)
                        rsound.setconfigpath(3, configpath3.text)
                        rsound.setconfigname(4, configname4.text)
                        rsound.setconfigpath(4, configpath4.text)
                        rsound.setconfigname(5, configname5.text)
                        rsound.setconfigpath(5, configpath5.text)
                        rsound.saveconfig()
                        rsound.loadconfig()
                        // A failed save leaves the captions as they were.
                        if (!rsound.saveerror) {
                            media1text1.text = configname1.text
                            media2text1.text = configname2.text
                            media3text1.text = configname3.text
                            media4text1.text = configname4.text
                            media5text1.text = configname5.text
                        }
                    }

                    Text {
                        id: savebuttontext1
                        anchors.centerIn: parent
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        text: "Save"
                        color: "#e6e5ac"
                        font.pixelSize: 23
                    }
                }
            }

            Text {
                id: saveerrortext
                objectName: "saveerrortext"
                x: 190
                y: 377
                width: 445
                text: rsound.saveerror || ""
                visible: text !== ""
                color: "#ffd54f"
                font.bold: true
                font.pixelSize: 14
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
            }

            Text {
                x: 27
                y: 440
                text: "Kevaro: a touch piano for Linux tablets."
                wrapMode: Text.WrapAnywhere
                font.pixelSize: 12
            }

            Text {
                x: 27
                y: 455
                text: "Sound: OpenAL Soft and libsndfile. Interface: Qt Quick."
                wrapMode: Text.WrapAnywhere
                font.pixelSize: 12
            }

            Text {
                x: 27
                y: 470
                text: "Sound sets are folders of WAV files named keyc0.wav to keyh1.wav."
                wrapMode: Text.WrapAnywhere
                font.pixelSize: 12
            }
        }
    }
}
