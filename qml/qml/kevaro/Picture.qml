import QtQuick

// A picture of qml/images, named without its ending. While the 1366x768 scene is drawn larger
// than that, the picture drawn at twice the size is read instead; Qt takes its scale from the
// "@2x" in its name, and on a high-density screen finds the "@2x" picture by itself.
Image {
    required property string picture
    readonly property bool enlarged: Math.min(Window.width / 1366, Window.height / 768) > 1
    source: "../../images/" + picture + (enlarged ? "@2x" : "") + ".png"
}
