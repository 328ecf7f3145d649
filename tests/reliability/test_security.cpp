// What must never get out or in: secrets in files or output, user input in SQL
// text, a directory without TLS, a SAMO server without a trusted certificate.
#include "FaultReport.h"
#include "ProgramSession.h"

#include "app/u_fMenuImportFactCMarvo.h"
#include "data/NamedParams.h"
#include "data/u_dmCon.h"
#include "login/LoginSequence.h"
#include "login/u_frmLogin.h"
#include "samo/u_fProc_Samo.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace {

// Everything the process writes to fd 1 and 2 and through Qt's message
// handler while it lives.
class OutputCapture {
public:
    explicit OutputCapture(const QString& file) : path_(file.toStdString()) {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut_ = dup(1);
        savedErr_ = dup(2);
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
        messages() = {};
        previous_ = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { messages() << text; });
    }
    ~OutputCapture() { finish(); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Stops capturing; returns what was captured.
    QByteArray finish() {
        if (savedOut_ >= 0) {
            std::fflush(stdout);
            std::fflush(stderr);
            dup2(savedOut_, 1);
            dup2(savedErr_, 2);
            close(savedOut_);
            close(savedErr_);
            savedOut_ = savedErr_ = -1;
            qInstallMessageHandler(previous_);
        }
        QFile file(QString::fromStdString(path_));
        file.open(QIODevice::ReadOnly);
        return file.readAll() + messages().join('\n').toUtf8();
    }

private:
    static QStringList& messages() {
        static QStringList list;
        return list;
    }
    std::string path_;
    int savedOut_ = -1, savedErr_ = -1;
    QtMessageHandler previous_ = nullptr;
};

class Security : public ProgramSession {
protected:
    // The menu's Login, the dialog filled in as a user does, then the import
    // window from the menu: a listing, an import, an export.
    void fullSession(const Credentials& c) {
        fMenuImportFactCMarvo->show();
        QTimer::singleShot(0, frmLogin, [c] {
            typeText(child<QLineEdit>(frmLogin, "Edit1"), c.company);
            typeText(child<QLineEdit>(frmLogin, "Edit2"), c.user);
            typeText(child<QLineEdit>(frmLogin, "Edit3"), c.password);
            QTest::keyClick(child<QLineEdit>(frmLogin, "Edit3"), Qt::Key_Return);
            if (frmLogin->isVisible())
                frmLogin->reject();
        });
        QTest::mouseClick(child<QAbstractButton>(fMenuImportFactCMarvo, "ButtonLogin"), Qt::LeftButton);
        QTest::mouseClick(child<QAbstractButton>(fMenuImportFactCMarvo, "ButtonImportFactC"), Qt::LeftButton);
        click("ButtonCauta");
        click("Button1");
        selectRow(0);
        click("ButtonVeziJson");
    }
    // Every file under the per-user folder, by path.
    std::map<QString, QByteArray> writtenFiles() const {
        std::map<QString, QByteArray> files;
        for (QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                files[file.fileName()] = file.readAll();
        }
        return files;
    }
};

TEST_F(Security, NoSecretInAnyFileOrOutputAfterAFullSession) {
    const std::string samoPassword = "samo-S3cret-pass";
    scenario.token = "tok-S3cret-7f3a91";
    scenario.user = "samo.user";
    scenario.password = samoPassword;
    samo.setScenario(scenario);
    pg().exec(pg().plainPort, "qor2", "update config_samo set pass = '" + samoPassword + "'");
    const QByteArray secrets[] = {hashedLogin.password.toUtf8(), sha256Hex(hashedLogin.password).toUtf8(),
                                  QByteArray::fromStdString(scenario.token),
                                  QByteArray::fromStdString(samoPassword),
                                  QByteArray::fromStdString(pg().qorPassword)};

    QTemporaryDir outputDir;
    OutputCapture capture(outputDir.filePath("output.txt"));
    fullSession(hashedLogin);
    const QByteArray output = capture.finish();

    ASSERT_TRUE(boxes.isEmpty()) << joined(boxes);
    ASSERT_EQ(opened.urls.size(), 1) << "the session went through";
    EXPECT_EQ(fProc_Samo->vToken.toStdString(), scenario.token);
    const auto files = writtenFiles();
    EXPECT_EQ(files.size(), 2u) << "the remembered login and one export";
    for (const QByteArray& secret : secrets) {
        const QByteArray utf16(reinterpret_cast<const char*>(QString::fromUtf8(secret).utf16()),
                               secret.size() * 2);
        for (const auto& [path, bytes] : files)
            EXPECT_FALSE(bytes.contains(secret) || bytes.contains(utf16))
                << secret.toStdString() << " in " << path.toStdString();
        EXPECT_FALSE(output.contains(secret)) << secret.toStdString() << " in the output:\n"
                                              << output.toStdString();
    }
    reportFault({"security",
                 "a full session (login with a hashed password, import, export): password, its digest, SAMO "
                 "token, SAMO and database passwords searched in every file written and in stdout/stderr",
                 "nothing", "QorNelvo.json (company, user name) and the exported transaction",
                 "nothing: none of them appears"});
}

// A log entry of the server: a statement the program sent, or its parameters.
struct LogEntry {
    QString statement, parameters;
};

std::vector<LogEntry> programStatements(const QByteArray& log) {
    std::vector<LogEntry> entries;
    static const QRegularExpression entryStart(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"));
    QStringList lines;
    const auto flush = [&] {
        const QString entry = lines.join('\n');
        lines.clear();
        for (const QString& marker :
             {QStringLiteral("LOG:  execute <unnamed>: "), QStringLiteral("LOG:  statement: ")})
            if (const auto at = entry.indexOf(marker); at >= 0)
                entries.push_back({entry.mid(at + marker.size()), {}});
        if (const auto at = entry.indexOf("DETAIL:  parameters: "); at >= 0 && !entries.empty())
            entries.back().parameters = entry.mid(at + 21);
    };
    for (const QString& line : QString::fromUtf8(log).split('\n')) {
        if (entryStart.match(line).hasMatch())
            flush();
        lines << (line.startsWith('\t') ? line.mid(1) : line);
    }
    flush();
    return entries;
}

TEST_F(Security, EverySqlTextIsConstantAndInputTravelsAsParameters) {
    const Credentials hostile{"F'; drop table m_firma; --", "u\"; delete from emitent; --'",
                              "p' or '1'='1' -- ; $1 :pP \\' /*"};
    pg().resetData();
    seedCompany(hostile, pg().tlsPort, "qor1", false, samoApi);
    scenario.idPrefix = "S'; update log_samo_factc set id = null; --\"";
    scenario.pages = 1;
    samo.setScenario(scenario);

    const std::string logPath = pg().root + "/tls/log/postgresql.log";
    const qint64 logStart = QFileInfo(QString::fromStdString(logPath)).size();
    {
        Undo logged(pg().tlsPort, "postgres", "alter role qor set log_statement = 'all'",
                    "alter role qor reset log_statement");
        fullSession(hostile);
        ASSERT_TRUE(boxes.isEmpty()) << joined(boxes);
        ASSERT_EQ(opened.urls.size(), 1) << "the session went through";
        EXPECT_EQ(dmCon->glUser, hostile.user);
    }
    QFile logFile(QString::fromStdString(logPath));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    logFile.seek(logStart);
    const std::vector<LogEntry> sent = programStatements(logFile.readAll());

    // The catalogue's texts, as the program sends them: nothing else reaches the server.
    std::set<QString> catalogue;
    const QJsonObject queries =
        QJsonDocument::fromJson(QByteArray::fromStdString(sourceFile("data/queries.json"))).object();
    for (const QString& name : queries.keys())
        catalogue.insert(QString::fromStdString(
            db::toPositional(queries[name].toObject()["sql"].toString().toStdString()).text));
    std::set<QString> statements;
    for (const LogEntry& e : sent)
        statements.insert(e.statement);
    EXPECT_EQ(statements, catalogue) << "every query ran, each with its constant text";

    // Each hostile value arrived whole, as a parameter. As the log shows a parameter: "$n = '<value with its
    // quotes doubled>'"; an id is the prefix and a running number.
    const std::pair<QString, const char*> values[] = {
        {hostile.company, "'"},
        {hostile.user, "'"},
        {hostile.password, "'"},
        {QString::fromStdString(scenario.idPrefix), "00000001"}};
    for (const auto& [value, after] : values) {
        const QString logged = "= '" + QString(value).replace("'", "''") + after;
        const bool asParameter = std::any_of(
            sent.begin(), sent.end(), [&](const LogEntry& e) { return e.parameters.contains(logged); });
        EXPECT_TRUE(asParameter) << value.toStdString();
    }
    EXPECT_EQ(pg().scalar(pg().tlsPort, "qor_mob", "select count(*) from m_firma"), "1");
    EXPECT_EQ(storedRows("id like $x$" + scenario.idPrefix + "%$x$"), 10);
    reportFault(
        {"security",
         "company, user name, password and SAMO transaction ids full of quotes, semicolons, -- and "
         "$1/:name, through a full session with the server logging every statement",
         "nothing: the login, the import and the export work",
         "the values, as typed, in the tables and the session",
         "nothing: the 9 statement texts are the catalogue's; every value travels as a $n parameter"});
}

TEST_F(Security, DirectoryConnectionRefusesAServerWithoutTls) {
    dmCon->conQorMob.setPort(pg().plainPort);
    dmCon->conQorMob.setSslMode(db::SslMode::Prefer); // the login asks for TLS itself
    EXPECT_FALSE(login(plainLogin));
    const QStringList shown = takeBoxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("server does not support SSL, but SSL was required"))
        << shown[0].toStdString();
    dmCon->conQorMob.setPort(pg().tlsPort);
    EXPECT_TRUE(login(plainLogin)) << joined(boxes);
    reportFault({"security", "directory connection pointed at a server without TLS", shown[0],
                 "everything; no query reached that server", "nothing"},
                home.path());
}

// Certificates made for the test: a CA and server certificates it signs.
class TestPki {
public:
    explicit TestPki(const QString& folder) : folder_(folder) {
        run({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days",
             "2", "-subj", "/CN=wImport test CA", "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
             "keyUsage=critical,keyCertSign", "-keyout", path("ca.key"), "-out", path("ca.pem")});
    }
    QString ca() const { return path("ca.pem"); }
    // A server certificate for `altName` ("IP:127.0.0.1", "DNS:samo.example"); returns its name.
    QString issue(const QString& name, const QString& altName) {
        run({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
             "/CN=" + name, "-keyout", path(name + ".key"), "-out", path(name + ".csr")});
        QFile ext(path(name + ".ext"));
        ext.open(QIODevice::WriteOnly);
        ext.write(("subjectAltName=" + altName + "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n")
                      .toUtf8());
        ext.close();
        run({"x509", "-req", "-in", path(name + ".csr"), "-CA", ca(), "-CAkey", path("ca.key"),
             "-CAcreateserial", "-days", "2", "-extfile", path(name + ".ext"), "-out", path(name + ".pem")});
        return name;
    }
    std::string read(const QString& file) const {
        QFile f(path(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }

private:
    QString path(const QString& file) const { return folder_ + "/" + file; }
    static void run(const QStringList& arguments) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start("openssl", arguments);
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
            ADD_FAILURE() << "openssl " << arguments.join(' ').toStdString() << ": "
                          << openssl.readAll().toStdString();
    }
    QString folder_;
};

TEST_F(Security, SamoClientTrustsOnlyCertificatesOfTheCaAddedForItsHost) {
    QTemporaryDir dir;
    TestPki pki(dir.path());
    const QString local = pki.issue("local", "IP:127.0.0.1");
    const QString elsewhere = pki.issue("elsewhere", "DNS:samo.example");
    ASSERT_TRUE(login(plainLogin)) << joined(boxes);
    click("ButtonCauta");

    const struct {
        const char* fault;
        QString certificate;
        bool caAdded;
        const char* error; // empty: the import works
    } cases[] = {
        {"SAMO over TLS with a certificate from a CA the client does not trust", local, false,
         "SSL peer certificate or SSH remote key was not OK: "},
        {"SAMO over TLS, certificate from the added CA but for another host name", elsewhere, true,
         "SSL peer certificate or SSH remote key was not OK: SSL: no alternative certificate subject name "
         "matches "
         "target host name '127.0.0.1'"},
        {"SAMO over TLS with a certificate from the added CA", local, true, ""},
    };
    samotest::Scenario small;
    small.pages = 1;
    small.lastPageItems = 2;
    small.idPrefix = "TLS-";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        samotest::SamoServer tls;
        tls.setScenario(small);
        tls.startTls(pki.read(c.certificate + ".pem"), pki.read(c.certificate + ".key"));
        pg().exec(pg().tlsPort, "qor1", "update config_samo set base_url = '" + tls.baseUrl() + "/api'");
        if (c.caAdded)
            fProc_Samo->RESTClient1.setCaFileForTests(pki.ca().toStdString());
        const int linesBefore = static_cast<int>(memoLines().size());
        click("Button1");
        const QStringList shown = takeBoxes();
        if (*c.error) {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_TRUE(shown[0].startsWith(c.error)) << shown[0].toStdString();
            EXPECT_TRUE(tls.requests().empty()) << "nothing was sent";
            EXPECT_EQ(memoLines().size(), linesBefore) << "it failed at the token, before any page";
        } else {
            EXPECT_TRUE(shown.isEmpty()) << joined(shown);
            EXPECT_EQ(storedRows("id like 'TLS-%'"), 2);
        }
        reportFault({"security", c.fault,
                     *c.error ? shown.value(0) : QStringLiteral("nothing: the import works"), "everything",
                     *c.error ? "nothing: no credential or request was sent" : "nothing"});
    }
}

} // namespace
