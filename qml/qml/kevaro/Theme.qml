pragma Singleton
import QtQuick

// The piano's frame and colours, in one place.
QtObject {
    // The scene is laid out in the pixels of this screen and scaled to fit any other.
    readonly property int frameWidth: 1366
    readonly property int frameHeight: 768
    // The control bar across the top, over the dark band of the keyboard picture.
    readonly property int barHeight: 64

    // The ending of the pictures drawn large enough for this many device pixels per scene pixel.
    function sizeSuffix(density: real): string {
        return density <= 1 ? "" : density <= 2 ? "@2x" : "@3x"
    }

    // The bands beside the scaled scene, in the bar's dark colour.
    readonly property color band: "#0e0d0c"
    // Lettering on the bar's buttons and the volume.
    readonly property color pale: "#eeedad"
    // A selected sound set's caption, a switched-on toggle's lettering.
    readonly property color selected: "#ff0000"
    // The settings panel's borders.
    readonly property color border: "#d90707"
    // Held keys: a bluish veil over white keys, a lighter one over black keys.
    readonly property color whiteKeyHeld: "#30405080"
    readonly property color blackKeyHeld: "#40c0d0ff"
    readonly property color whiteKeyLabel: "#000000"
    readonly property color blackKeyLabel: "#f2f0e4"

    // The settings panel: a grey card on black, a pale Save, a yellow save error.
    readonly property color panelSurround: "#000000"
    readonly property color panel: "#6d6363"
    readonly property color saveLettering: "#e6e5ac"
    readonly property color saveError: "#fff2a8"
    // The folder buttons beside the folder fields, a pale folder on dark.
    readonly property color folderButton: "#24231e"
    readonly property color folderButtonBorder: "#5a5850"
    readonly property color folderSymbol: "#fffacd"
}
