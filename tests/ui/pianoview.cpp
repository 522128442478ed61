#include "pianoview.h"

#include "sounder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QtQml>

QStringList PianoView::played;
static QtMessageHandler earlierHandler = nullptr;

// Keeps the note lines; warnings and errors still go out, to explain a failure.
static void collectNotes(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && earlierHandler)
        earlierHandler(type, context, text);
    static const QRegularExpression pathLine(R"(^"/kevaro-test/(.*)\.wav"$)");
    const QRegularExpressionMatch match = pathLine.match(text);
    if (type == QtDebugMsg && match.hasMatch())
        PianoView::played << match.captured(1);
}

static QString preparedHome(const QString &path, const QByteArray &content)
{
    qputenv("HOME", path.toUtf8());
    QDir(path).mkdir(".kevaro");
    QFile settings(path + "/.kevaro/kevaro.config");
    if (settings.open(QIODevice::WriteOnly))
        settings.write(content);
    qmlRegisterType<sounder>("sounderbib", 1, 0, "SoundMethod");
    return path;
}

PianoView::PianoView(const QByteArray &settings)
{
    preparedHome(home.path(), settings);
    view.setSource(QUrl("qrc:qml/qml/kevaro/main.qml"));
    view.show();
    view.requestActivate();
    if (QTest::qWaitForWindowActive(&view))
        earlierHandler = qInstallMessageHandler(collectNotes);
}

PianoView::~PianoView()
{
    qInstallMessageHandler(nullptr);
}

bool PianoView::isReady() const
{
    return view.status() == QQuickView::Ready && view.isActive() && view.size() == QSize(1366, 768);
}

QObject *PianoView::byId(const QString &id)
{
    QObject *root = view.rootObject();
    return root && root->objectName() == id ? root : root->findChild<QObject *>(id);
}
