#include "qmlapplicationviewerprivate.h"

#include <QCoreApplication>
#include <QFileInfo>

QString QmlApplicationViewerPrivate::adjustPath(const QString &path)
{
    const QString candidate = QCoreApplication::applicationDirPath() + "/../" + path;
    if (candidate.contains("opt") && candidate.contains("bin") && QFileInfo::exists(candidate))
        return candidate;
    return path;
}
