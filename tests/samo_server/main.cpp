// samo-test-server: the SAMO test server as a process, for the demo and the
// benchmark scripts. Prints one line once listening, runs until SIGTERM/SIGINT.
#include "DemoScenario.h"
#include "SamoServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

std::atomic<bool> g_stopRequested{false};

void onSignal(int) {
    g_stopRequested = true;
}

[[noreturn]] void fail(const QString& message, int code) {
    std::fprintf(stderr, "samo-test-server: %s\n", qPrintable(message));
    std::exit(code);
}

int intOption(const QCommandLineParser& parser, const char* name, int min, int max) {
    bool ok = false;
    const int value = parser.value(QString::fromLatin1(name)).toInt(&ok);
    if (!ok || value < min || value > max)
        fail(QStringLiteral("invalid value for --%1: \"%2\"")
                 .arg(QString::fromLatin1(name), parser.value(QString::fromLatin1(name))),
             2);
    return value;
}

std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()), 2);
    return file.readAll().toStdString();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("samo-test-server"));

    const samotest::Scenario defaults;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Test server imitating the SAMO invoice API."));
    parser.addHelpOption();
    auto opt = [&](const char* name, const char* description, const QString& fallback) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                            QStringLiteral("value"), fallback));
    };
    opt("port", "Port on 127.0.0.1 (0: any free one).", QStringLiteral("0"));
    parser.addOption(QCommandLineOption(
        QStringLiteral("demo"), QStringLiteral("Serve the demo's scenario (other data options ignored).")));
    opt("pages", "Pages holding transactions.", QString::number(defaults.pages));
    opt("last-page-items", "Transactions on the last non-empty page.",
        QString::number(defaults.lastPageItems));
    opt("token", "Token handed out by auth.", QString::fromStdString(defaults.token));
    opt("user", "Accepted user name (empty: any).", QString());
    opt("password", "Accepted password.", QString());
    opt("cookie", "Cookie set by the auth answer (name=value).", QString());
    opt("seed", "Seed of the generated data.", QString::number(defaults.seed));
    opt("days-back", "Transaction dates lie within this many days up to today.",
        QString::number(defaults.daysBack));
    opt("item-bytes", "Pad each transaction to about this many bytes (0: natural size).",
        QStringLiteral("0"));
    opt("id-prefix", "Prefix of transaction ids.", QString::fromStdString(defaults.idPrefix));
    opt("cert", "PEM certificate file: serve HTTPS (needs --key).", QString());
    opt("key", "PEM private key file for --cert.", QString());
    if (!parser.parse(app.arguments()))
        fail(parser.errorText(), 2);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().front()), 2);

    samotest::Scenario scenario;
    if (parser.isSet(QStringLiteral("demo"))) {
        scenario = samotest::demoScenario();
    } else {
        scenario.pages = intOption(parser, "pages", 0, 10'000'000);
        scenario.lastPageItems = intOption(parser, "last-page-items", 0, 10);
        scenario.token = parser.value(QStringLiteral("token")).toStdString();
        scenario.user = parser.value(QStringLiteral("user")).toStdString();
        scenario.password = parser.value(QStringLiteral("password")).toStdString();
        scenario.cookie = parser.value(QStringLiteral("cookie")).toStdString();
        scenario.seed = unsigned(intOption(parser, "seed", 0, INT_MAX));
        scenario.daysBack = intOption(parser, "days-back", 1, 100'000);
        scenario.itemBytes = intOption(parser, "item-bytes", 0, 64 * 1024 * 1024);
        scenario.idPrefix = parser.value(QStringLiteral("id-prefix")).toStdString();
    }
    const auto port = quint16(intOption(parser, "port", 0, 65535));
    const QString cert = parser.value(QStringLiteral("cert"));
    const QString key = parser.value(QStringLiteral("key"));
    if (cert.isEmpty() != key.isEmpty())
        fail(QStringLiteral("--cert and --key go together"), 2);

    samotest::SamoServer server;
    server.setScenario(scenario);
    try {
        if (cert.isEmpty())
            server.start(port);
        else
            server.startTls(readFile(cert), readFile(key), port);
    } catch (const std::exception& e) {
        fail(QString::fromStdString(e.what()), 1);
    }

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    // Polling keeps the signal handler async-signal-safe and works on every platform.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [] {
        if (g_stopRequested)
            QCoreApplication::quit();
    });
    poll.start(50);

    std::printf("SAMO test server listening on %s\n", server.baseUrl().c_str());
    std::fflush(stdout);
    const int rc = app.exec();
    server.stop();
    return rc;
}
