#pragma once

class QPaintDevice;

// The application icon in the control bar's style: a near-black rounded body with a faint
// rim, three cream keys with two black ones between them, and the red lamp top right.
// Painted on a 50x50 grid scaled to the device's width.
void paintIcon(QPaintDevice &device);
