// Database faults made for real: clusters stopped and restarted, a server
// that never answers, the role's password changed, a declared column renamed.
// After each one the program goes on, and what was stored stays.
#include "FaultReport.h"
#include "ProgramSession.h"

#include "data/u_dmCon.h"
#include "login/u_frmLogin.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Cluster = ClusterOutage::Cluster;

// A TCP port that takes connections (the kernel completes them) and never
// says a word: a server that hangs.
class SilentServer {
public:
    SilentServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(fd_, 16) != 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            ADD_FAILURE() << "no silent server";
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { close(fd_); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

bool refused(const QString& box) {
    return box.startsWith("connection to server at \"127.0.0.1\", port ") &&
           box.contains("Connection refused");
}

class DatabaseFaults : public ProgramSession {};

TEST_F(DatabaseFaults, ServerDownAtLogin) {
    const struct {
        const char* fault;
        Cluster cluster;
        const Credentials& credentials;
    } cases[] = {
        {"directory server (qor_mob) stopped at login", Cluster::Tls, plainLogin},
        {"company server (qor2) stopped at login, directory up", Cluster::Plain, hashedLogin},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        restartProgram();
        ClusterOutage outage(c.cluster);
        outage.stop();
        EXPECT_FALSE(login(c.credentials));
        const QStringList shown = takeBoxes();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(refused(shown[0])) << shown[0].toStdString();
        EXPECT_TRUE(frmLogin->isVisible()) << "the dialog stays open";
        EXPECT_TRUE(rememberedFile().contains(c.credentials.company.toUtf8())) << "stored before the lookup";

        outage.start();
        EXPECT_TRUE(login(c.credentials)) << joined(boxes);
        EXPECT_EQ(dmCon->glUser, c.credentials.user);
        EXPECT_EQ(storedRows(), 1) << "the journal is intact";
        reportFault({"database", c.fault, shown[0], "the journal; the remembered company and user name",
                     "nothing: pressing Login again once the server is back logs in"},
                    home.path());
    }
}

TEST_F(DatabaseFaults, DirectoryServerThatNeverAnswersTimesOut) {
    SilentServer silent;
    dmCon->conQorMob.setPort(silent.port());
    dmCon->conQorMob.setConnectTimeout(2);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(login(plainLogin));
    EXPECT_LT(clock.elapsed(), 10000) << "the connect time-out ends the wait";
    const QStringList shown = takeBoxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("timeout expired")) << shown[0].toStdString();

    dmCon->conQorMob.setPort(pg().tlsPort);
    EXPECT_TRUE(login(plainLogin)) << joined(boxes);
    reportFault({"database", "directory server accepts the connection and never answers (connect time-out)",
                 shown[0], "the journal; the remembered company and user name",
                 "the wait: the connect time-out (15 s in the program) before the message"},
                home.path());
}

TEST_F(DatabaseFaults, CompanyServerStoppedBetweenTwoPagesOfAnImport) {
    ASSERT_TRUE(login(plainLogin)) << joined(boxes);
    click("ButtonCauta");
    ASSERT_EQ(gridRows(), 1);

    // The server goes away while page 2 is being fetched: page 1 is stored.
    ClusterOutage outage(Cluster::Tls);
    auto* memo = child<QPlainTextEdit>(importWindow(), "Memo1");
    const auto stopAtPage2 = QObject::connect(memo, &QPlainTextEdit::textChanged, [&] {
        if (!outage.stopped() && memo->toPlainText().endsWith("pagina=2"))
            outage.stop();
    });
    click("Button1");
    QObject::disconnect(stopAtPage2);
    const QStringList shown = takeBoxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("(getInvoices) - Eroare = connection to server at"))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("Connection refused")) << shown[0].toStdString();
    EXPECT_EQ(memoLines(), (QStringList{"pagina=1", "pagina=2"})) << "the last line names the failed page";
    EXPECT_EQ(gridRows(), 1) << "the listing keeps its rows";

    outage.start();
    EXPECT_EQ(storedRows(), 1 + 10) << "page 1 stayed stored";
    click("Button1");
    EXPECT_TRUE(boxes.isEmpty()) << joined(boxes);
    EXPECT_EQ(memoLines().mid(2), (QStringList{"pagina=1", "pagina=2", "pagina=3", "pagina=4"}));
    EXPECT_EQ(storedRows(), 1 + 30);
    EXPECT_EQ(gridRows(), 1 + 30) << "refreshed after the import";
    reportFault({"database", "company server stopped between page 1 and page 2 of an import", shown[0],
                 "page 1 (10 transactions); the memo's last line names page 2",
                 "nothing: the next import after the restart stores every page"},
                home.path());
}

TEST_F(DatabaseFaults, ServerRestartedWhileTheListingIsOpen) {
    ASSERT_TRUE(login(plainLogin)) << joined(boxes);
    pg().exec(pg().tlsPort, "qor1",
              "insert into log_samo_factc (id, json_factc, json_factc_date, json_factc_nr) "
              "select 'J-' || g, '{}', current_date, 'FC ' || g from generate_series(2, 3) g");
    click("ButtonCauta");
    ASSERT_EQ(gridRows(), 3);
    ClusterOutage outage(Cluster::Tls);

    // Restarted behind the program's back: the pooled session is dead, the next "Cauta" works.
    outage.stop();
    outage.start();
    EXPECT_EQ(gridRows(), 3) << "the rows stay in the grid";
    click("ButtonCauta");
    EXPECT_TRUE(boxes.isEmpty()) << joined(boxes);
    EXPECT_EQ(gridRows(), 3);

    // Down while the user presses "Cauta": the message, the rows stay.
    outage.stop();
    click("ButtonCauta");
    const QStringList shown = takeBoxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(refused(shown[0])) << shown[0].toStdString();
    EXPECT_EQ(gridRows(), 3) << "a failed refresh keeps the rows";
    click("ButtonVeziJson");
    EXPECT_EQ(takeBoxes().size(), 1) << "the export needs the server too";
    EXPECT_TRUE(opened.urls.isEmpty());

    outage.start();
    click("ButtonCauta");
    click("ButtonVeziJson");
    click("Button1");
    EXPECT_TRUE(boxes.isEmpty()) << joined(boxes);
    EXPECT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(gridRows(), 3 + 30);
    reportFault({"database", "company server restarted while the journal listing is open", "nothing",
                 "the grid's rows", "nothing: the pool retries a dead session once, \"Cauta\" just works"});
    reportFault({"database", "company server down when \"Cauta\" or \"Vezi Json factura\" is pressed",
                 shown[0], "the grid's rows; no file written",
                 "nothing: the same button works once the server is back"},
                home.path());
}

TEST_F(DatabaseFaults, WrongDatabasePassword) {
    const struct {
        const char* fault;
        int port;
        const Credentials& credentials;
    } cases[] = {
        {"role qor's password changed on the directory server", pg().tlsPort, plainLogin},
        {"role qor's password changed on the company server only", pg().plainPort, hashedLogin},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        restartProgram();
        Undo changed(c.port, "postgres", "alter role qor password 'not-the-built-in-one'",
                     "alter role qor password '" + pg().qorPassword + "'");
        EXPECT_FALSE(login(c.credentials));
        const QStringList shown = takeBoxes();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].contains("password authentication failed for user \"qor\""))
            << shown[0].toStdString();
        EXPECT_TRUE(dmCon->glUser.isEmpty());
        changed.now();
        EXPECT_TRUE(login(c.credentials)) << joined(boxes);
        reportFault({"database", c.fault, shown[0], "everything",
                     "nothing once the password matches the build's again (it is a build-time setting)"},
                    home.path());
    }
}

TEST_F(DatabaseFaults, DeclaredFieldMissingFromTheTable) {
    {
        Undo renamed(pg().tlsPort, "qor1", "alter table emitent rename column lang to lang_old",
                     "alter table emitent rename column lang_old to lang");
        EXPECT_FALSE(login(plainLogin));
        const QStringList shown = takeBoxes();
        EXPECT_EQ(shown, QStringList{"dsEmitent: Field 'lang' not found."});
        renamed.now();
        EXPECT_TRUE(login(plainLogin)) << joined(boxes);
        reportFault({"database", "column emitent.lang renamed (a declared field of dsEmitent)",
                     shown.value(0), "everything", "nothing: the login works once the column is back"});
    }

    click("ButtonCauta");
    ASSERT_EQ(gridRows(), 1);
    Undo renamed(pg().tlsPort, "qor1",
                 "alter table log_samo_factc rename column err_ins_qor to err_ins_qor_old",
                 "alter table log_samo_factc rename column err_ins_qor_old to err_ins_qor");
    click("ButtonCauta");
    click("Button1");
    const QStringList shown = takeBoxes();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], "dsLogSamoFactc: Field 'err_ins_qor' not found.");
    EXPECT_TRUE(shown[1].startsWith("(getInvoices) - Eroare = column \"err_ins_qor\" of relation"))
        << shown[1].toStdString();
    EXPECT_EQ(gridRows(), 1) << "the listing keeps its rows";
    EXPECT_EQ(memoLines(), QStringList{"pagina=1"});
    EXPECT_EQ(storedRows(), 1) << "the page's statement failed as a whole";

    renamed.now();
    click("ButtonCauta");
    click("Button1");
    EXPECT_TRUE(boxes.isEmpty()) << joined(boxes);
    EXPECT_EQ(gridRows(), 1 + 30);
    reportFault({"database", "column log_samo_factc.err_ins_qor renamed, then \"Cauta\"", shown[0],
                 "the grid's rows", "nothing: \"Cauta\" works once the column is back"});
    reportFault({"database", "column log_samo_factc.err_ins_qor renamed, then \"Import tranzactii\"",
                 shown[1], "the journal as it was (the page is stored in one statement or not at all)",
                 "nothing: the import works once the column is back"});
}

} // namespace
