import QtQuick

// A picture of qml/images, named without its ending. While the scene is drawn larger than its
// 1366x768 frame, the picture drawn at twice the size is read instead; Qt takes its scale from
// the "@2x" in its name, and on a high-density screen finds the "@2x" picture by itself.
Image {
    required property string picture
    // Whether the scene is drawn larger than its frame.
    required property bool enlarged
    source: "../../images/" + picture + (enlarged ? "@2x" : "") + ".png"
}
