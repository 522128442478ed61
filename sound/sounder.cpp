#include "sounder.h"

#include "firststart.h"
#include "midievent.h"
#include "noteloader.h"
#include "soundengine.h"
#include "voice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQuickWindow>

#include <chrono>
#include <cmath>

namespace {

// A lifted key's note fades to -60 dB over this long: soon gone, yet without a click.
constexpr std::chrono::milliseconds releaseLength{150};
// Every press's velocity without dynamics; played at full loudness, as recorded.
constexpr int plainVelocity = 100;

const QStringList noteNames = {"c",   "cis", "d",   "dis", "e",   "f",
                               "fis", "g",   "gis", "a",   "ais", "h"};
// The keys on screen, G0 to DIS2.
constexpr int lowestKeyShown = 55, highestKeyShown = 75;

// The MIDI number of a note in German names, "c1" (middle C) 60, "gis0" 56; -1 for none.
int midiNumber(const QString &note)
{
    const QStringList &names = noteNames;
    qsizetype octaveAt = 0;
    while (octaveAt < note.size() && !note[octaveAt].isDigit())
        ++octaveAt;
    bool isNumber = false;
    const int octave = note.mid(octaveAt).toInt(&isNumber);
    const qsizetype name = names.indexOf(note.left(octaveAt));
    const int number = 48 + 12 * octave + int(name);
    return isNumber && name >= 0 && number <= 127 ? number : -1;
}

// The note of a MIDI number in German names, 56 "gis0".
QString noteName(int number)
{
    return noteNames[number % 12] + QString::number(number / 12 - 4);
}

} // namespace

sounder::sounder(QQuickItem *parent) : QQuickItem(parent)
{
    if (!config.load())
        FirstStart::writeSettings(config);
    // Told on a thread of the engine's own: handled here, on the GUI thread. The destructor
    // takes the listener back before this object goes.
    kevaro::SoundEngine::setMidiListener([this](const kevaro::MidiEvent &event) {
        QMetaObject::invokeMethod(
            this, [this, event] { midiCame(event); }, Qt::QueuedConnection);
    });
    kevaro::SoundEngine::setMidiAutoconnect(preferences.midiAutoconnect());
    // Open the output and decode the selected set while the window comes up, so that even
    // the first press only starts a sound.
    kevaro::SoundEngine::prepare();
    preloadSelectedSet();
    // Nobody hears a minimised or suspended piano: its output pauses, the sound card may sleep.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this, &sounder::updateOutputWanted);
    connect(this, &QQuickItem::windowChanged, this, [this](QQuickWindow *window) {
        if (window)
            connect(window, &QWindow::visibilityChanged, this, &sounder::updateOutputWanted);
    });
}

sounder::~sounder()
{
    // The process ends: nothing new is opened, and nothing here waits for the sound server.
    kevaro::SoundEngine::setMidiListener({});
    kevaro::SoundEngine::shutDown();
    endEveryPress();
    replaceLastSound(nullptr);
    replaceEngine(nullptr);
}

void sounder::updateOutputWanted()
{
    const auto state = QGuiApplication::applicationState();
    const QQuickWindow *shownIn = window();
    const bool hidden = state == Qt::ApplicationHidden || state == Qt::ApplicationSuspended ||
                        (shownIn && (shownIn->visibility() == QWindow::Minimized ||
                                     shownIn->visibility() == QWindow::Hidden));
    kevaro::SoundEngine::setOutputWanted(!hidden);
}

template <typename T> void sounder::assign(T &member, T value, void (sounder::*changed)())
{
    if (member == value)
        return;
    member = value;
    emit(this->*changed)();
    update();
}

void sounder::setVolume(int value)
{
    assign(m_volume, value, &sounder::volumeChanged);
}
void sounder::setVecx(int value)
{
    assign(m_vecx, value, &sounder::vecxChanged);
}
void sounder::setVecy(int value)
{
    assign(m_vecy, value, &sounder::vecyChanged);
}
void sounder::setVecz(int value)
{
    assign(m_vecz, value, &sounder::veczChanged);
}
void sounder::setPlaylooped(bool value)
{
    assign(m_playlooped, value, &sounder::playloopedChanged);
}
void sounder::setPlay3d(bool value)
{
    assign(m_play3d, value, &sounder::play3dChanged);
}

void sounder::setDynamics(bool value)
{
    if (value == preferences.dynamics())
        return;
    preferences.setDynamics(value);
    emit dynamicsChanged();
    update();
}

void sounder::setStopOnRelease(bool value)
{
    if (value == preferences.stopOnRelease())
        return;
    preferences.setStopOnRelease(value);
    emit stopOnReleaseChanged();
    update();
}

QString sounder::selectedDirectory() const
{
    return config.directories[(isSetNumber(media) ? media : 1) - 1];
}

std::string sounder::selectedSetFile(const QString &file) const
{
    return QFile::encodeName(selectedDirectory() + "/" + file).toStdString();
}

void sounder::preloadSelectedSet()
{
    std::vector<std::string> paths;
    for (const QString &file : config.noteFiles)
        paths.push_back(selectedSetFile(file));
    kevaro::NoteLoader::preload(std::move(paths));
    handSetToMidi();
}

void sounder::handSetToMidi()
{
    std::vector<std::pair<int, std::string>> files;
    for (const QString &file : config.noteFiles) {
        const int number = midiNumber(file.chopped(4).mid(3)); // "keycis1.wav"
        if (number >= 0)
            files.emplace_back(number, selectedSetFile(file));
    }
    kevaro::SoundEngine::setMidiNotes(std::move(files));
}

void sounder::midiCame(const kevaro::MidiEvent &event)
{
    using Kind = kevaro::MidiEvent::Kind;
    switch (event.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp:
        if (event.number >= lowestKeyShown && event.number <= highestKeyShown)
            emit keyHeldElsewhere(noteName(event.number), event.kind == Kind::KeyDown);
        break;
    case Kind::PedalDown:
    case Kind::PedalUp:
        setSustain(event.kind == Kind::PedalDown);
        break;
    case Kind::SetChosen:
        emit setChosenElsewhere(event.number);
        break;
    }
}

void sounder::dosound(QString myString)
{
    replaceLastSound(play(myString, 1));
}

kevaro::Voice *sounder::play(const QString &noteName, float gain)
{
    const QString path = selectedDirectory() + "/" + noteName + ".wav";
    for (const QString &directory : config.directories)
        qDebug() << directory;
    qDebug() << path;

    if (!engine) {
        qDebug() << "engine wird neu erzeugt";
        engine = kevaro::SoundEngine::open();
        // No output device now: skip this note; the next one tries again.
        if (!engine)
            return nullptr;
    }
    const QByteArray file = QFile::encodeName(path);
    return engine->playAt(file.constData(), float(m_vecx), float(m_vecy), float(m_vecz),
                          m_playlooped, false, true, kevaro::LoadMode::Automatic, true,
                          kevaro::NoteExpression{gain, 1});
}

int sounder::strike(QString note, qreal along)
{
    const int number = midiNumber(note);
    if (number < 0)
        return 0;
    // The nearer the front edge, the louder, as on a piano's key; gain follows velocity
    // squared, so velocity 30 is about 24 dB below 120.
    const int velocity =
        preferences.dynamics() ? qRound(1 + qBound(0.0, along, 1.0) * 126) : plainVelocity;
    const float gain = preferences.dynamics() ? std::pow(velocity / 127.0f, 2.0f) : 1.0f;
    const Press press{number, velocity, play("key" + note, gain), false, sustained};
    pressBegan(++lastPressId, press);
    return lastPressId;
}

void sounder::lift(int id)
{
    const auto press = presses.find(id);
    if (press == presses.end() || press->second.keyUp)
        return;
    press->second.keyUp = true;
    if (!press->second.heldByPedal)
        pressEnded(press, preferences.stopOnRelease());
}

void sounder::setSustain(bool down)
{
    if (down == sustained)
        return;
    sustained = down;
    for (auto press = presses.begin(); press != presses.end();) {
        const auto next = std::next(press);
        press->second.heldByPedal = down;
        if (!down && press->second.keyUp)
            pressEnded(press, preferences.stopOnRelease());
        press = next;
    }
}

void sounder::pressBegan(int id, const Press &press)
{
    presses.emplace(id, press);
    kevaro::SoundEngine::sendNoteOn(press.number, press.velocity);
}

void sounder::pressEnded(Presses::iterator press, bool fade)
{
    kevaro::SoundEngine::sendNoteOff(press->second.number);
    if (kevaro::Voice *voice = press->second.voice) {
        if (fade)
            voice->fadeOut(releaseLength);
        // Let go of, a note that does not fade rings on to its end.
        voice->release();
    }
    presses.erase(press);
}

void sounder::endEveryPress()
{
    while (!presses.empty())
        pressEnded(presses.begin(), false);
}

QList<sounder::OpenPress> sounder::openPresses() const
{
    QList<OpenPress> open;
    for (const auto &[id, press] : presses)
        open.append({press.number, press.velocity});
    return open;
}

void sounder::createit()
{
    replaceEngine(kevaro::SoundEngine::open());
}

void sounder::dropit()
{
    endEveryPress();
    kevaro::SoundEngine::sendAllNotesOff();
    replaceEngine(nullptr);
}

void sounder::replaceEngine(kevaro::SoundEngine *next)
{
    // Release the old engine first, so its sounds stop and its device is free again.
    if (engine)
        engine->release();
    engine = next;
}

void sounder::replaceLastSound(kevaro::Voice *next)
{
    if (lastsound)
        lastsound->release();
    lastsound = next;
}

void sounder::setmedia(int nmedia)
{
    media = nmedia;
    preloadSelectedSet();
}

int sounder::getmedia()
{
    return media;
}

QString sounder::getmedianame(int nmedia)
{
    return config.names[isSetNumber(nmedia) ? nmedia - 1 : 0];
}

void sounder::setconfigname(int nr, QString ctext)
{
    if (isSetNumber(nr))
        config.names[nr - 1] = ctext;
}

void sounder::setconfigpath(int nr, QString ctext)
{
    if (!isSetNumber(nr))
        return;
    config.directories[nr - 1] = ctext;
    // Presses take the new folder from the next one on; so does MIDI in.
    if (nr == (isSetNumber(media) ? media : 1))
        handSetToMidi();
}

QString sounder::getconfigname(int nr)
{
    return isSetNumber(nr) ? config.names[nr - 1] : QString();
}

QString sounder::getconfigpath(int nr)
{
    return isSetNumber(nr) ? config.directories[nr - 1] : QString();
}

void sounder::saveconfig()
{
    QString reason;
    const QString error = config.save(&reason)
                              ? QString()
                              : QStringLiteral("Could not save the sound sets: %1 (%2)")
                                    .arg(Config::settingsFilePath(), reason);
    if (error != m_saveerror) {
        m_saveerror = error;
        emit saveerrorChanged();
    }
    preloadSelectedSet();
}

void sounder::loadconfig()
{
    config.load();
    handSetToMidi();
}

// Without an address and without the standard socket, libdbus would try to autolaunch a bus
// (seconds, with a display); the piano must not wait for that.
static bool sessionBusMayExist()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && QFileInfo::exists(runtimeDir + "/bus");
}

void sounder::setVol(int val)
{
    if (!sessionBusMayExist() || !QDBusConnection::sessionBus().isConnected()) {
        qDebug() << "QDBusConnection::sessionBus() failed.";
        return;
    }
    // A plain message instead of a proxy: building a proxy introspects the service and
    // blocks until it answers, which froze the slider when the service hung.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("com.tiitoo.SystemInfo"), QStringLiteral("/com/tiitoo/SystemInfo"),
        QStringLiteral("com.tiitoo.SystemInfo.Volume"), QStringLiteral("SetVolume"));
    call << QVariant::fromValue(static_cast<uint>(val)) << QVariant::fromValue(3u);
    QDBusConnection::sessionBus().send(call);
}
