// Renders the sound sets into a temporary folder and checks their notes (format, a clean
// start and end, headroom, pitch), then installs them into a temporary data folder.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Note
{
    const char *name;
    int midi;
};

const Note notes[] = {
    {"keya0", 57},   {"keya1", 69},   {"keyais0", 58}, {"keyais1", 70}, {"keyc0", 48},
    {"keyc1", 60},   {"keyc2", 72},   {"keycis1", 61}, {"keycis2", 73}, {"keyd1", 62},
    {"keyd2", 74},   {"keydis1", 63}, {"keydis2", 75}, {"keye1", 64},   {"keyf1", 65},
    {"keyfis1", 66}, {"keyg0", 55},   {"keyg1", 67},   {"keygis0", 56}, {"keygis1", 68},
    {"keyh0", 59},   {"keyh1", 71},
};

const int sampleRate = 48000;
const int fullScale = 32767;

double cents(double frequency, double reference)
{
    return 1200.0 * std::log2(frequency / reference);
}

// The vertex of the parabola through (-1, a), (0, b), (1, c).
double vertex(double a, double b, double c)
{
    const double curve = a - 2.0 * b + c;
    return curve == 0.0 ? 0.0 : 0.5 * (a - c) / curve;
}

// The fundamental, blind to the expected note: the first clear dip of the cumulative-mean
// normalised difference function (an autocorrelation that does not favour octaves below).
double coarseFrequency(const std::vector<double> &x)
{
    const int width = 2048, maxLag = sampleRate / 100;
    std::vector<double> d(maxLag + 2, 1.0);
    double sum = 0.0;
    for (int lag = 1; lag <= maxLag + 1; ++lag) {
        double diff = 0.0;
        for (int i = 0; i < width; ++i)
            diff += (x[i] - x[i + lag]) * (x[i] - x[i + lag]);
        sum += diff;
        d[lag] = diff * lag / sum;
    }
    int best = std::min_element(d.begin() + 2, d.end() - 1) - d.begin();
    for (int lag = 2; lag <= maxLag; ++lag) {
        if (d[lag] < 0.2) {
            while (lag < maxLag && d[lag + 1] < d[lag])
                ++lag;
            best = lag;
            break;
        }
    }
    return sampleRate / (best + vertex(d[best - 1], d[best], d[best + 1]));
}

// The fundamental to a fraction of a cent: the peak of the Hann-windowed spectrum within a
// semitone of the coarse estimate (which the string's stretched overtones pull sharp),
// scanned with Goertzel filters a cent apart.
double fineFrequency(const std::vector<double> &x, double coarse)
{
    const int range = 100;
    std::vector<double> windowed(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        windowed[i] = x[i] * (0.5 - 0.5 * std::cos(2.0 * M_PI * i / (x.size() - 1)));
    std::vector<double> level;
    for (int c = -range; c <= range; ++c) {
        const double k = 2.0 * std::cos(2.0 * M_PI * coarse * std::exp2(c / 1200.0) / sampleRate);
        double s1 = 0.0, s2 = 0.0;
        for (double v : windowed) {
            const double s0 = v + k * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        level.push_back(std::log(s1 * s1 + s2 * s2 - k * s1 * s2 + 1e-30));
    }
    const int top = std::max_element(level.begin() + 1, level.end() - 1) - level.begin();
    const double c = top - range + vertex(level[top - 1], level[top], level[top + 1]);
    return coarse * std::exp2(c / 1200.0);
}

std::vector<short> readNote(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<short> samples(std::size_t(info.frames));
    const bool read = sf_readf_short(file, samples.data(), info.frames) == info.frames;
    sf_close(file);
    const bool right = info.channels == 1 && info.samplerate == sampleRate &&
                       info.format == (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    return read && right ? samples : std::vector<short>();
}

} // namespace

class TestSoundSets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void notesAreClean();
    void notesAreInTune();
    void installRendersTheSetsOnce();

private:
    QTemporaryDir out_;
    QStringList names_, folders_;
};

void TestSoundSets::initTestCase()
{
    QVERIFY(out_.isValid());
    QProcess tool;
    QElapsedTimer timer;
    timer.start();
    tool.start(SOUNDSETS_TOOL, {out_.path()});
    QVERIFY(tool.waitForFinished(60000));
    qInfo("rendered the sound sets in %.1f s", timer.elapsed() / 1000.0);
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
    for (const QString &line : QString::fromUtf8(tool.readAllStandardOutput()).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 2) {
            names_ << fields[0];
            folders_ << fields[1];
            QCOMPARE(QFileInfo(fields[1]).absolutePath(), out_.path());
        }
    }
    QCOMPARE(names_, QStringList({"Grand", "E-Piano", "Organ", "Harpsi", "Strings"}));
}

void TestSoundSets::notesAreClean()
{
    for (const QString &folder : folders_) {
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 22);
        int setPeak = 0;
        for (const Note &note : notes) {
            const QString path = folder + "/" + note.name + ".wav";
            const std::vector<short> s = readNote(path);
            QVERIFY2(s.size() > std::size_t(sampleRate), qPrintable(path));
            QVERIFY2(s.size() < std::size_t(7 * sampleRate), qPrintable(path));
            const auto peakOf = [&s](std::size_t from, std::size_t to) {
                int peak = 0;
                for (std::size_t i = from; i < to; ++i)
                    peak = std::max(peak, std::abs(int(s[i])));
                return peak;
            };
            const int peak = peakOf(0, s.size());
            setPeak = std::max(setPeak, peak);
            // Sounding from the first millisecond on (-60 dBFS), under -1 dBFS at its peak,
            // and faded out at the end (-46 dB) rather than cut off.
            QVERIFY2(peakOf(0, sampleRate / 1000) >= 32, qPrintable(path));
            QVERIFY2(peak <= fullScale * 0.892, qPrintable(path));
            QVERIFY2(peakOf(s.size() - sampleRate / 100, s.size()) * 200 < peak, qPrintable(path));
        }
        // Each set is brought up to its headroom, not left quiet.
        QVERIFY2(setPeak >= fullScale * 0.8, qPrintable(folder));
    }
}

void TestSoundSets::notesAreInTune()
{
    // An organ stop sounds several ranks at once and the string section is a detuned
    // ensemble, so only the single-voiced instruments have one clear fundamental.
    for (const QString &set : {"Grand", "E-Piano", "Harpsi"}) {
        const QString folder = folders_.value(names_.indexOf(set));
        for (const Note &note : notes) {
            const std::vector<short> s = readNote(folder + "/" + note.name + ".wav");
            // Half a second once the attack is over.
            const std::size_t from = sampleRate / 5, to = from + sampleRate / 2;
            QVERIFY(s.size() >= to);
            const std::vector<double> steady(s.begin() + from, s.begin() + to);
            const double expected = 440.0 * std::exp2((note.midi - 69) / 12.0);
            const double off = cents(fineFrequency(steady, coarseFrequency(steady)), expected);
            QVERIFY2(std::fabs(off) < 5.0,
                     qPrintable(QString("%1 %2 is %3 cents off").arg(set, note.name).arg(off)));
        }
    }
}

void TestSoundSets::installRendersTheSetsOnce()
{
    QTemporaryDir data;
    QVERIFY(data.isValid());
    const auto install = [&data]() {
        QProcess script;
        script.start("bash", {INSTALL_SCRIPT, SOUNDSETS_TOOL, data.path()});
        return script.waitForFinished(60000) && script.exitStatus() == QProcess::NormalExit &&
               script.exitCode() == 0;
    };
    const QString sets = data.path() + "/kevaro/soundsets/";
    QVERIFY(install());
    // The listing the first start reads: the renderer's version, then name and folder.
    QFile listing(sets + "installed");
    QVERIFY(listing.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(listing.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.takeFirst().startsWith("kevaro-soundsets "));
    for (int i = 0; i < folders_.size(); ++i) {
        const QString folder = folders_[i].section('/', -1);
        QCOMPARE(lines.value(i), names_[i] + "\t" + folder);
        QCOMPARE(QDir(sets + folder).entryList({"key*.wav"}).size(), 22);
    }

    // The installed sets are not rendered again, but a set that lost a note is.
    const QString note = sets + folders_[0].section('/', -1) + "/keyc1.wav";
    const QDateTime rendered = QFileInfo(note).lastModified();
    QVERIFY(install());
    QCOMPARE(QFileInfo(note).lastModified(), rendered);
    QVERIFY(QFile::remove(note));
    QVERIFY(install());
    QVERIFY(QFileInfo::exists(note));
}

QTEST_GUILESS_MAIN(TestSoundSets)
#include "test_soundsets.moc"
