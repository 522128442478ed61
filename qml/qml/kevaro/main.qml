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
        sourceSize.width: 1366
        sourceSize.height: 768
        source: "../../images/Tasten.png"
    }

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
            onClicked: {
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
            onClicked: {
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
            onClicked: rsound.dropit()
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
            onClicked: {
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
            onClicked: {
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
            onClicked: {
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
            onClicked: {
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
            onClicked: {
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
            onClicked: {
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
            onClicked: Qt.quit()
        }
    }

    MouseArea {
        id: keyg0
        x: 0
        y: 64
        width: 109
        height: 694
        onEntered: rsound.dosound("keyg0")

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
        x: 110
        y: 64
        width: 112
        height: 694
        onEntered: rsound.dosound("keya0")

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
        x: 223
        y: 64
        width: 110
        height: 694
        onEntered: rsound.dosound("keyh0")

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
        x: 335
        y: 64
        width: 110
        height: 694
        onEntered: rsound.dosound("keyc1")

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
        x: 446
        y: 64
        width: 110
        height: 694
        onEntered: rsound.dosound("keyd1")

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
        x: 558
        y: 64
        width: 110
        height: 694
        onEntered: rsound.dosound("keye1")

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
        x: 671
        y: 64
        width: 110
        height: 694
        onEntered: rsound.dosound("keyf1")

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
        x: 784
        y: 64
        width: 109
        height: 694
        onEntered: rsound.dosound("keyg1")

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
        x: 895
        y: 64
        width: 112
        height: 694
        onEntered: rsound.dosound("keya1")

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
        x: 1008
        y: 64
        width: 110
        height: 694
        onEntered: rsound.dosound("keyh1")

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
        x: 1120
        y: 64
        width: 110
        height: 694
        onEntered: rsound.dosound("keyc2")

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
        x: 1233
        y: 64
        width: 109
        height: 694
        onEntered: rsound.dosound("keyd2")

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
        x: 74
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keygis0")

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
        x: 203
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keyais0")

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
        x: 398
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keycis1")

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
        x: 534
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keydis1")

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
        x: 729
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keyfis1")

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
        x: 859
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keygis1")

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
        x: 988
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keyais1")

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
        x: 1184
        y: 64
        width: 72
        height: 444
        onEntered: rsound.dosound("keycis2")

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
        x: 1317
        y: 64
        width: 48
        height: 444
        onEntered: rsound.dosound("keydis2")

        Text {
            id: tdis2
            x: 25
            y: 363
            text: "DIS2"
            visible: false
            font.pixelSize: 12
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
                        media1text1.text = configname1.text
                        media2text1.text = configname2.text
                        media3text1.text = configname3.text
                        media4text1.text = configname4.text
                        media5text1.text = configname5.text
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
