#include "commandline.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>

namespace {

void describe(QCommandLineParser &parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("kevaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KEVARO_VERSION));
    parser.setApplicationDescription(
        QStringLiteral("Kevaro, a full-screen touch piano. Its settings are kept in "
                       "~/.kevaro/kevaro.config."));
    // Qt's own options are written with one dash, such as -platform or -reverse.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
}

int refuse(const QString &problem)
{
    std::fprintf(stderr, "kevaro: %s Try 'kevaro --help'.\n", qPrintable(problem));
    return 2;
}

} // namespace

std::optional<int> CommandLine::answerEarly(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty() ||
        parser.isSet(QStringLiteral("help-all")) ||
        !(parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))))
        return std::nullopt;
    // The help names the program as it was called; answering needs no more than that.
    QCoreApplication core(argc, argv);
    parser.process(core);
    return 0;
}

std::optional<int> CommandLine::answer(QGuiApplication &app)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(app.arguments()))
        return refuse(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("Unexpected argument '%1'.")
                          .arg(parser.positionalArguments().constFirst()));
    // Lets a Wayland desktop match the window with the desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kevaro.Kevaro"));
    // Ends the process for --help, --help-all and --version.
    parser.process(app);
    return std::nullopt;
}
