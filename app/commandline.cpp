#include "commandline.h"

#include "ui/dialogs/productinfo.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace {

const QString kWebEngineArgs = QStringLiteral("--webEngineArgs");

// The options every Qt program takes, which the application object reads
// and removes itself. Those of the X11 platform are among them.
const char* const kQtValueOptions[] = {"platform",        "platformpluginpath",
                                       "platformtheme",   "plugin",
                                       "qwindowgeometry", "qwindowicon",
                                       "qwindowtitle",    "session",
                                       "style",           "stylesheet",
                                       "display",         "name",
                                       "geometry",        "title",
                                       "visual"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "sync"};

}  // namespace

CCommandLine::CCommandLine(const QStringList& arguments)
{
    const QString program = arguments.value(0, QStringLiteral("ferrowick"));
    QStringList ours = arguments;
    QStringList engine;
    // The web engine finds its part in any case of the letters, and so do we.
    qsizetype at = 1;
    while (at < arguments.size() && arguments[at].compare(kWebEngineArgs, Qt::CaseInsensitive) != 0)
        ++at;
    if (at < arguments.size()) {
        ours = arguments.first(at);
        engine = arguments.mid(at);
    }
    if (ours.isEmpty())
        ours << program;

    QCommandLineParser parser;
    // "-style" is one option, as Qt spells its own, never -s -t -y ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : kQtValueOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char* name : kQtFlagOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    if (!parser.parse(ours)) {
        m_action = Fail;
        m_error = QStringLiteral("ferrowick: %1 Try 'ferrowick --help'.").arg(parser.errorText().simplified());
        return;
    }
    if (parser.isSet(help)) {
        m_action = ShowHelp;
        return;
    }
    if (parser.isSet(version)) {
        m_action = ShowVersion;
        return;
    }
    m_addresses = parser.positionalArguments();
    m_qtArguments << program;
    for (const char* name : kQtValueOptions) {
        for (const QString& value : parser.values(QString::fromLatin1(name)))
            m_qtArguments << QStringLiteral("-%1").arg(QLatin1String(name)) << value;
    }
    for (const char* name : kQtFlagOptions) {
        if (parser.isSet(QString::fromLatin1(name)))
            m_qtArguments << QStringLiteral("-%1").arg(QLatin1String(name));
    }
    m_qtArguments << engine;
}

QString CCommandLine::HelpText()
{
    return QStringLiteral("Usage: ferrowick [OPTION]... [ADDRESS]...\n"
                          "Download videos from their watch page addresses.\n"
                          "\n"
                          "Each ADDRESS is added to the download list as if it had been pasted into\n"
                          "the address box: the address of a video's watch page, its embed address\n"
                          "or its thumbnail, such as http://www.youtube.com/watch?v=ID,\n"
                          "http://www.youtube.com/v/ID or http://i.ytimg.com/vi/ID/default.jpg.\n"
                          "When Ferrowick already runs for this user, the addresses are handed to\n"
                          "that copy and this start ends.\n"
                          "\n"
                          "Options:\n"
                          "  -h, --help              show this help and exit\n"
                          "  -v, --version           show the version and exit\n"
                          "  --                      take every argument after it as an address, even\n"
                          "                          one that starts with a dash\n"
                          "  --webEngineArgs ARG...  hand the arguments after it to Qt WebEngine\n"
                          "\n"
                          "The options that every Qt program takes, such as -platform NAME and\n"
                          "-style NAME, are taken too.\n"
                          "\n"
                          "Report bugs to: %1\n"
                          "Home page: %2\n")
        .arg(QLatin1String(PRODUCT_SUPPORT_ADDRESS), QLatin1String(PRODUCT_WEB_SITE));
}

QString CCommandLine::VersionText()
{
    return QStringLiteral("%1 %2\n").arg(QLatin1String(PRODUCT_NAME), QLatin1String(FERROWICK_VERSION));
}
