#include "config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

const char *const keys[2 * Config::setCount] = {
    "dir_01",     "dir_02",     "dir_03",     "dir_04",     "dir_05",
    "dirname_01", "dirname_02", "dirname_03", "dirname_04", "dirname_05",
};

// The reader splits the file at line feeds, so a line break inside a value would cut it
// short and could even set another key. The file gets a blank in its place instead.
QString oneLine(const QString &value)
{
    QString line = value;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar &c : line) {
        switch (c.unicode()) {
        case 0x000A: // line feed
        case 0x000B: // vertical tab
        case 0x000C: // form feed
        case 0x000D: // carriage return
        case 0x0085: // next line
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            c = QLatin1Char(' ');
            break;
        default:
            break;
        }
    }
    return line;
}

// Why a save failed, in lower case to follow the path in a sentence.
QString failureReason(const QSaveFile &file, const QString &dirPath)
{
    const QFileInfo dir(dirPath);
    if (dir.exists() && !dir.isDir())
        return QStringLiteral("a file named %1 is in the way").arg(dir.fileName());
    // The system's words for a read-only folder; Qt words a read-only file its own way.
    const QFileInfo existing(file.fileName());
    if (existing.exists() && !existing.isWritable())
        return QStringLiteral("permission denied");
    QString reason = file.errorString();
    if (reason.isEmpty())
        reason = QStringLiteral("unknown error");
    reason[0] = reason[0].toLower();
    return reason;
}

} // namespace

Config::Config()
    : noteFiles{"keya0.wav",   "keya1.wav",   "keyais0.wav", "keyais1.wav", "keyc0.wav",
                "keyc1.wav",   "keyc2.wav",   "keycis1.wav", "keycis2.wav", "keyd1.wav",
                "keyd2.wav",   "keydis1.wav", "keydis2.wav", "keye1.wav",   "keyf1.wav",
                "keyfis1.wav", "keyg0.wav",   "keyg1.wav",   "keygis0.wav", "keygis1.wav",
                "keyh0.wav",   "keyh1.wav"}
{
}

QString Config::settingsDirPath()
{
    return QDir::homePath() + "/.kevaro";
}

QString Config::settingsFilePath()
{
    return settingsDirPath() + "/kevaro.config";
}

bool Config::load()
{
    QFile file(settingsFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;

    QTextStream in(&file);
    QString line;
    // Whole lines, however long: a cut line would read its tail as a line of its own.
    while (in.readLineInto(&line)) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        for (int i = 0; i < 2 * setCount; ++i) {
            if (key == QLatin1String(keys[i])) {
                (i < setCount ? directories[i] : names[i - setCount]) = value;
                break;
            }
        }
    }
    return true;
}

bool Config::save(QString *reason)
{
    const QString dirPath = settingsDirPath();
    const QString filePath = settingsFilePath();
    if (!QDir(dirPath).exists())
        QDir().mkdir(dirPath);

    // Written to a temporary file and renamed over the old one at commit, so a crash or a
    // full disk mid-save leaves the earlier file whole.
    QSaveFile file(filePath);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (written) {
        QTextStream out(&file);
        for (int i = 0; i < 2 * setCount; ++i) {
            const QString &value = i < setCount ? directories[i] : names[i - setCount];
            out << keys[i] << " = " << oneLine(value) << "\n";
        }
        out.flush();
        written = out.status() == QTextStream::Ok && file.commit();
    }
    if (!written) {
        printf("Kann Configdatei nicht speichern %s\n", filePath.toUtf8().constData());
        fflush(stdout);
        if (reason)
            *reason = failureReason(file, dirPath);
    }
    return written;
}

QString Config::_fromBool(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

bool Config::_toBool(QString &text)
{
    const QString lower = text.toLower();
    return lower == QLatin1String("yes") || lower == QLatin1String("true");
}

bool Config::_dirExists(QString path)
{
    return QDir(path).exists();
}
