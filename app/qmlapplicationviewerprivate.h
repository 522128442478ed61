#pragma once

#include <QString>

class QmlApplicationViewerPrivate
{
public:
    // Resolves path against the directory above the executable's, for installations under
    // an "opt" tree with a "bin" directory; otherwise returns path unchanged.
    static QString adjustPath(const QString &path);

    QString mainQmlFile;
};
