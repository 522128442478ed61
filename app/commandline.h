#pragma once

#include <optional>

class QGuiApplication;

// Kevaro's command line: --help and --version answer, anything else of its own is refused
// with a one-line message and exit status 2. Qt's own options (-platform, -qwindowgeometry
// and the rest) go to the application object as before.
namespace CommandLine {

// Before the application object: answers --help and --version where they stand alone, so
// that they need no display. Returns the exit status when the run ends here.
std::optional<int> answerEarly(int argc, char **argv);

// Once the application object has taken its own options out. Returns the exit status when
// the run ends here; nothing when the piano is to start.
std::optional<int> answer(QGuiApplication &app);

} // namespace CommandLine
