#pragma once

#include <QQuickView>
#include <QStringList>
#include <QTemporaryDir>

// The real piano document, from the compiled-in collection, shown in an active window, with a
// settings file under a fresh HOME (by default sound set 1 in /kevaro-test); records the notes
// that the sound element plays.
class PianoView
{
public:
    explicit PianoView(const QByteArray &settings = "dir_01 = /kevaro-test\ndirname_01 = Test\n");
    ~PianoView();

    bool isReady() const;
    QQuickView *window() { return &view; }
    // The document's element with this objectName (which is its id in the document).
    QObject *byId(const QString &id);
    QString homePath() const { return home.path(); }

    // Notes played since the last clear(), as their paths below /kevaro-test without ".wav".
    static QStringList played;
    static void clear() { played.clear(); }

private:
    QTemporaryDir home;
    QQuickView view;
};
