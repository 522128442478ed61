#pragma once

#include <QString>
#include <QStringList>

// The five sound sets (a directory and a display name each) and the settings file
// ~/.kevaro/kevaro.config that keeps them.
class Config
{
public:
    static constexpr int setCount = 5;

    Config();

    // Reads the settings file; false when it cannot be opened.
    bool load();
    // Writes the settings file whole; false (with a message on standard output) when the
    // file cannot be written, and then reason, when given, says why in a few lower-case
    // words ("permission denied"). An earlier file is never left half written.
    bool save(QString *reason = nullptr);

    QString _fromBool(bool value);
    bool _toBool(QString &text);
    bool _dirExists(QString path);

    static QString settingsDirPath();
    static QString settingsFilePath();

    // Index 0 is sound set 1.
    QString directories[setCount];
    QString names[setCount];
    // The note files of a sound set: the 21 notes the keyboard plays and keyc0.wav.
    const QStringList noteFiles;
};
