import QtQuick

// A picture of qml/images, named without its ending, read at a size that covers the device
// pixels it is drawn on: drawn larger than in the 1366x768 frame or on a dense screen, the
// picture drawn at two or three times the size ("@2x", "@3x", whose scale Qt reads from the
// name).
Image {
    required property string picture
    // Device pixels per pixel of the 1366x768 scene.
    required property real density
    source: "../../images/" + picture + Theme.sizeSuffix(density) + ".png"
}
