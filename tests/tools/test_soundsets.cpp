#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.hh>

#include <complex>

namespace {

// Every note file: keyc0, then the keys from G0 up, a semitone apart.
const char *const notes[] = {"c0",   "g0",   "gis0", "a0",   "ais0", "h0",  "c1",   "cis1",
                             "d1",   "dis1", "e1",   "f1",   "fis1", "g1",  "gis1", "a1",
                             "ais1", "h1",   "c2",   "cis2", "d2",   "dis2"};
const int rate = 48000, fullScale = 32767;

// How strongly the MIDI note sounds in samples 0.2 s to 0.7 s of s.
double level(const std::vector<short> &s, int midi)
{
    const double step = 2 * M_PI * 440 * std::exp2((midi - 69) / 12.0) / rate;
    std::complex<double> sum;
    for (int i = rate / 5; i < rate * 7 / 10; ++i)
        sum += double(s[i]) * std::polar(1.0, step * i);
    return std::norm(sum);
}

} // namespace

class TestSoundSets : public QObject
{
    Q_OBJECT

private slots:
    void installedSetsAreCleanAndRight();
};

void TestSoundSets::installedSetsAreCleanAndRight()
{
    QTemporaryDir data;
    const QStringList install = {INSTALL_SCRIPT, SOUNDSETS_TOOL, data.path()};
    QCOMPARE(QProcess::execute("bash", install), 0);
    // The listing the first start reads: the renderer's version, then each set's name and folder.
    const QString sets = data.path() + "/kevaro/soundsets/";
    QFile listing(sets + "installed");
    QVERIFY(listing.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(listing.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    for (const QString &line : lines.mid(1)) {
        const QString folder = sets + line.section('\t', 1);
        int setPeak = 0;
        for (int n = 0; n < 22; ++n) {
            const QString path = folder + "/key" + notes[n] + ".wav";
            SndfileHandle file(QFile::encodeName(path).constData());
            std::vector<short> s(file.channels() == 1 ? file.frames() : 0);
            s.resize(file.read(s.data(), sf_count_t(s.size())));
            QVERIFY2(s.size() > std::size_t(rate) && s.size() < std::size_t(7 * rate),
                     qPrintable(path));
            const auto peakOf = [&s](std::size_t from, std::size_t to) {
                const auto [low, high] = std::minmax_element(s.begin() + from, s.begin() + to);
                return std::max(-int(*low), int(*high));
            };
            const int peak = peakOf(0, s.size());
            setPeak = std::max(setPeak, peak);
            // Sounding from the first millisecond on (-60 dBFS), under -1 dBFS at its peak,
            // and faded out at the end (-46 dB) rather than cut off.
            QVERIFY2(peakOf(0, rate / 1000) >= 32, qPrintable(path));
            QVERIFY2(peak <= fullScale * 0.892, qPrintable(path));
            QVERIFY2(peakOf(s.size() - rate / 100, s.size()) * 200 < peak, qPrintable(path));
            // Its fundamental is the lowest semitone, from two octaves below to one above, that
            // sounds. A piano has one clear fundamental, and every set names its notes alike.
            if (!line.startsWith("Grand\t"))
                continue;
            double levels[37], loudest = 0.0;
            for (int k = 0; k < 37; ++k)
                loudest = std::max(loudest, levels[k] = level(s, (n ? 54 + n : 48) + k - 24));
            QVERIFY2(std::find_if(levels, levels + 37,
                                  [&](double l) { return l * 10 > loudest; }) == levels + 24,
                     qPrintable(path + " is not its note"));
        }
        // Each set is brought up to its headroom, not left quiet.
        QVERIFY2(setPeak >= fullScale * 0.8, qPrintable(folder));
    }

    // The installed sets are not rendered again, but a set that lost a note is.
    const QString note = sets + lines[1].section('\t', 1) + "/keyc1.wav";
    const QDateTime rendered = QFileInfo(note).lastModified();
    QCOMPARE(QProcess::execute("bash", install), 0);
    QCOMPARE(QFileInfo(note).lastModified(), rendered);
    QVERIFY(QFile::remove(note));
    QCOMPARE(QProcess::execute("bash", install), 0);
    QVERIFY(QFileInfo::exists(note));
}

QTEST_GUILESS_MAIN(TestSoundSets)
#include "test_soundsets.moc"
