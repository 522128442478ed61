#pragma once

class Config;

// The settings of a first start. Kevaro's demo sound sets are installed in kevaro/soundsets
// of the XDG data folders (the package's in /usr/share, the run command's in ~/.local/share),
// listed in its file "installed": a version line, then "name<TAB>folder" per set.
class FirstStart
{
public:
    // When the user has no settings file yet, names the installed demo sets in a new one, or
    // writes one of empty values when none are installed. A settings file the user has, even
    // one that cannot be read, is never touched.
    static void writeSettings(Config &config);

    // Fills in the sets of the first listing whose folders exist; false when there is none.
    static bool nameInstalledSets(Config &config);
};
