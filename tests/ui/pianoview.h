#pragma once

#include <QQuickView>
#include <QStringList>
#include <QTemporaryDir>

// The real piano document, from the compiled-in collection, shown in a window, with a settings
// file whose sound set 1 lies in /kevaro-test; records the notes that the sound element plays.
class PianoView
{
public:
    PianoView();
    ~PianoView();

    bool isReady() const;
    QQuickView *window() { return &view; }
    // The document's element with this objectName (which is its id in the document).
    QObject *byId(const QString &id);
    QString homePath() const { return home.path(); }

    // Notes played since the last clear(), as note names.
    static QStringList played;
    static void clear() { played.clear(); }

private:
    QTemporaryDir home;
    QQuickView view;
};
