#include "pianoview.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtQml/qqmlextensionplugin.h>
#include <qpa/qwindowsysteminterface.h>

// The document's module and the sound element's, linked in.
Q_IMPORT_QML_PLUGIN(kevaroPlugin)
Q_IMPORT_QML_PLUGIN(sounderbibPlugin)

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

PianoView::PianoView(const QByteArray &settings)
{
    qputenv("HOME", home.path().toUtf8());
    // The preferences in ~/.config, inside the fresh HOME.
    qunsetenv("XDG_CONFIG_HOME");
    QDir(home.path()).mkdir(".kevaro");
    QFile file(home.path() + "/.kevaro/kevaro.config");
    if (file.open(QIODevice::WriteOnly))
        file.write(settings);
    file.close();
    // As the piano's own window: the scene follows the window's size.
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(1366, 768);
    view.setSource(QUrl("qrc:qml/qml/kevaro/main.qml"));
    view.show();
    view.requestActivate();
    // Wayland lets no client activate its own window (qWaitForWindowActive refuses there): the
    // compositor makes a new window active by giving it the keyboard. Waiting for that works
    // on every platform.
    if (QTest::qWaitForWindowExposed(&view) && QTest::qWaitFor([this] { return view.isActive(); }))
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

void PianoView::cancelTouch()
{
    QWindowSystemInterface::handleTouchCancelEvent<QWindowSystemInterface::SynchronousDelivery>(
        &view, touchScreen());
}

QPoint PianoView::middleOf(const QString &id)
{
    return item(id)->mapToScene(item(id)->boundingRect().center()).toPoint();
}

// Items made by a Repeater (the settings fields) have no QObject parent: they are found
// through the item tree.
static QObject *findInItems(QQuickItem *item, const QString &name)
{
    for (QQuickItem *child : item->childItems()) {
        if (child->objectName() == name)
            return child;
        if (QObject *found = child->findChild<QObject *>(name))
            return found;
        if (QObject *found = findInItems(child, name))
            return found;
    }
    return nullptr;
}

QObject *PianoView::byId(const QString &id)
{
    QQuickItem *root = view.rootObject();
    if (!root || root->objectName() == id)
        return root;
    QObject *found = root->findChild<QObject *>(id);
    return found ? found : findInItems(root, id);
}
