#include "app/AppName.h"
#include "app/ErrorBox.h"
#include "app/Startup.h"
#include "app/u_fMenuImportFactCMarvo.h"
#include "data/u_dmCon.h"
#include "login/LoginSequence.h"
#include "login/u_frmLogin.h"
#include "tests/support/GuiTest.h"
#include "tests/support/PgFixture.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const PgFixture& pg() {
    return PgFixture::get();
}
const QString hashedPassword = QString::fromUtf8("Parolă-ș\"1");

class Login : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        setApplicationPathOverride("/opt/qor/bin/wImportFactCMarvo");
        errorBox::setPresenter([this](QWidget*, const QString&, const QString& text) { boxes << text; });
        seed();
        createApplicationObjects();
        dmCon->conQorMob.setServer("127.0.0.1");
        dmCon->conQorMob.setPort(pg().tlsPort);
        dmCon->conQorMob.setPassword(pg().qorPassword);
        dmCon->conQor.setPassword(pg().qorPassword);
    }
    void TearDown() override {
        destroyApplicationObjects();
        errorBox::setPresenter({});
        setApplicationPathOverride({});
        qunsetenv("XDG_CONFIG_HOME");
    }

    static void seed() {
        pg().resetData();
        const std::string tls = std::to_string(pg().tlsPort), plain = std::to_string(pg().plainPort);
        pg().exec(pg().tlsPort, "qor_mob",
                  "insert into m_firma values "
                  "('FIRMA', '127.0.0.1', " +
                      tls +
                      ", 'qor1', true, false, null),"
                      "('Firma Hash', '127.0.0.1', " +
                      plain +
                      ", 'qor2', false, false, 'HashSHA2'),"
                      "('HASH LOWER', '127.0.0.1', " +
                      tls +
                      ", 'qor1', true, false, 'hashsha2'),"
                      "('NO DB', '127.0.0.1', " +
                      tls + ", 'nu_exista', true, false, null)");
        const std::string company = "insert into aplicatie_mob values ('WImportFactCMARVO', true, null);"
                                    "insert into eu (cod_cci, tara, localit, adresa, jas_ip) values ('RO "
                                    "12.345', 'RO', 'Cluj', 'Str. 1', ";
        pg().exec(pg().tlsPort, "qor1",
                  "insert into emitent (emitent, operator_parola, eu_punct_lucru) values "
                  "('ion', 'parola1', 'PL Cluj'), ('ana', 'x', 'PL2');" +
                      company +
                      "'rapoarte.firma.ro:18080');"
                      "insert into aplicatie_mob_emitent values ('wimportfactcmarvo', 'ion', 'operator')");
        pg().exec(
            pg().plainPort, "qor2",
            "insert into emitent (emitent, operator_parola, eu_punct_lucru) values ('Mărie', '" +
                sha256Hex(hashedPassword).toStdString() + "', 'PL Iasi');" + company +
                "null); insert into aplicatie_mob_emitent values ('WIMPORTFACTCMARVO', 'Mărie', 'sef')");
    }

    template <class T> T* field(const char* name) { return frmLogin->findChild<T*>(name); }

    // Types into the dialog's edits and presses Login; returns whether it closed with success.
    bool attempt(const QString& company, const QString& user, const QString& password) {
        if (!frmLogin->isVisible()) {
            guarded([] { frmLogin->FormShow(); });
            frmLogin->show();
        }
        for (auto [name, text] : {std::pair{"Edit1", company}, {"Edit2", user}, {"Edit3", password}}) {
            field<QLineEdit>(name)->clear();
            typeText(field<QLineEdit>(name), text);
        }
        QTest::mouseClick(field<QPushButton>("Button1"), Qt::LeftButton);
        return !frmLogin->isVisible() && frmLogin->result() == QDialog::Accepted;
    }

    QByteArray rememberedFile() const {
        QFile file(home.filePath("QorNelvo.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir home;
    QStringList boxes;
};

TEST_F(Login, DialogLayoutAndTabOrder) {
    guarded([] { frmLogin->FormShow(); });
    frmLogin->show();
    EXPECT_EQ(frmLogin->windowTitle(), "frmLogin");
    EXPECT_EQ(frmLogin->size(), QSize(362, 158));
    EXPECT_EQ(field<QLineEdit>("Edit3")->echoMode(), QLineEdit::Password);
    typeText(field<QLineEdit>("Edit3"), "abc");
    EXPECT_EQ(field<QLineEdit>("Edit3")->displayText(), "***");
    EXPECT_TRUE(field<QPushButton>("Button1")->isDefault());
    for (auto [label, caption] :
         {std::pair{"Label1", "Company"}, {"Label2", "UserName"}, {"Label3", "Password"}})
        EXPECT_EQ(field<QLabel>(label)->text(), caption);
    QStringList chain;
    QWidget* w = field<QLineEdit>("Edit3");
    for (int i = 0; i < 4; ++i) {
        chain << w->objectName();
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(chain, (QStringList{"Edit3", "Button1", "Edit1", "Edit2"}));
    EXPECT_EQ(field<QLineEdit>("Edit1")->text(), "") << "no remembered-login file yet";
}

TEST_F(Login, PlainPasswordFillsTheSession) {
    ASSERT_TRUE(attempt("FIRMA", "ion", "parola1")) << boxes.join("|").toStdString();
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(dmCon->glNumeFirma, "FIRMA");
    EXPECT_EQ(dmCon->glUser, "ion");
    EXPECT_EQ(dmCon->glUserPass, "parola1");
    EXPECT_EQ(dmCon->glDataBase, "qor1");
    EXPECT_EQ(dmCon->glUserRol, "operator");
    EXPECT_EQ(dmCon->glEuPL, "PL Cluj");
    EXPECT_EQ(dmCon->glJasIP, "rapoarte.firma.ro:18080");
    EXPECT_EQ(dmCon->glJasProtocol, "http");
    EXPECT_EQ(field<QLineEdit>("Edit3")->text(), "");
    EXPECT_TRUE(dmCon->dsAplicatieMobEmitent.isOpen());
    EXPECT_TRUE(dmCon->dsEu.isOpen());
    EXPECT_FALSE(dmCon->dsEmitent.isOpen());
    EXPECT_FALSE(dmCon->dsAplicatieMob.isOpen());
    EXPECT_FALSE(frmLogin->dsQorMobil.isOpen());
    EXPECT_EQ(dmCon->conQor.settings().sslMode, db::SslMode::Prefer);
}

// An inactive directory row, a hashed non-ASCII password, a company server
// without TLS (prefer falls back) and the application registered in upper case.
TEST_F(Login, HashedPasswordOnAServerWithoutTls) {
    ASSERT_TRUE(attempt("Firma Hash", QString::fromUtf8("Mărie"), hashedPassword))
        << boxes.join("|").toStdString();
    EXPECT_EQ(dmCon->glDataBase, "qor2");
    EXPECT_EQ(dmCon->glUserPass, hashedPassword) << "the session keeps the password as typed";
    EXPECT_EQ(dmCon->glJasProtocol, "https");
    EXPECT_EQ(dmCon->conQor.settings().port, pg().plainPort);
    const QByteArray remembered = rememberedFile();
    EXPECT_FALSE(remembered.contains(hashedPassword.toUtf8()));
    EXPECT_FALSE(remembered.contains(sha256Hex(hashedPassword).toUtf8()));
}

TEST_F(Login, FailuresGiveTheirMessagesAndLeaveTheDialogUsable) {
    struct Case {
        const char* setupSql; // on qor1, before the attempt
        const char* company;
        const char* user;
        QString password;
        const char* message;
        bool assignmentQueryOpen; // and empty, after a failed assignment check
    } cases[] = {
        {"", "firma", "ion", "parola1", "Companie inexistenta.", false},
        {"", " FIRMA", "ion", "parola1", "Companie inexistenta.", false},
        {"", "FIRMA", "ion", "Parola1", "User, Password eronate.", false},
        {"", "FIRMA", "Ion", "parola1", "User, Password eronate.", false},
        {"", "HASH LOWER", "ion", sha256Hex("parola1"), "User, Password eronate.", false},
        {"update aplicatie_mob set activ = false", "FIRMA", "ion", "parola1",
         "Aplicatia wimportfactcmarvo nu este disponibila.", false},
        {"", "FIRMA", "ana", "x", "Aplicatia wimportfactcmarvo nu este disponibila pentru user-ul ana.",
         true},
        {"", "NO DB", "ion", "parola1", "FATAL:  database \"nu_exista\" does not exist.", false},
    };
    for (const Case& c : cases) {
        seed();
        if (*c.setupSql)
            pg().exec(pg().tlsPort, "qor1", c.setupSql);
        boxes.clear();
        EXPECT_FALSE(attempt(c.company, c.user, c.password)) << c.message;
        ASSERT_EQ(boxes.size(), 1) << c.message;
        // a database client's text starts with where it failed; ours are exact
        EXPECT_TRUE(boxes[0] == c.message ||
                    (boxes[0].endsWith(c.message) && boxes[0].startsWith("connection")))
            << boxes[0].toStdString();
        EXPECT_TRUE(frmLogin->isVisible());
        EXPECT_EQ(dmCon->glNumeFirma, c.company);
        EXPECT_FALSE(frmLogin->dsQorMobil.isOpen()) << c.message;
        EXPECT_FALSE(dmCon->dsEmitent.isOpen()) << c.message;
        EXPECT_FALSE(dmCon->dsAplicatieMob.isOpen()) << c.message;
        if (c.assignmentQueryOpen) {
            EXPECT_TRUE(dmCon->dsAplicatieMobEmitent.isOpen() &&
                        dmCon->dsAplicatieMobEmitent.rowCount() == 0);
        }
        EXPECT_TRUE(dmCon->glUser.isEmpty());
    }
    // With pw_hash_type in another letter case the password travels as typed.
    EXPECT_TRUE(attempt("HASH LOWER", "ion", "parola1")) << boxes.join("|").toStdString();
}

TEST_F(Login, DirectoryServerDownAndFileErrorsComeBeforeAnyQuery) {
    dmCon->conQorMob.setPort(1); // nothing listens there
    EXPECT_FALSE(attempt("FIRMA", "ion", "parola1"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains("Connection refused")) << boxes[0].toStdString();
    EXPECT_TRUE(rememberedFile().contains("FIRMA")) << "stored before any check";

    // The remembered-login file cannot be written: the file error, no query.
    boxes.clear();
    dmCon->conQorMob.setPort(pg().tlsPort);
    QFile::remove(home.filePath("QorNelvo.json"));
    ASSERT_TRUE(QDir(home.path()).mkdir("QorNelvo.json"));
    EXPECT_FALSE(attempt("FIRMA 2", "ion", "parola1"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains("QorNelvo.json")) << boxes[0].toStdString();
    EXPECT_EQ(dmCon->glNumeFirma, "FIRMA") << "the sequence did not start";
}

TEST_F(Login, RemembersCompanyAndUserOfEveryAttempt) {
    EXPECT_FALSE(attempt(QString::fromUtf8("Firmă Ş"), QString::fromUtf8("Ţuică"), "secret-pw"));
    const QByteArray stored = rememberedFile();
    EXPECT_FALSE(stored.contains("secret-pw"));
    frmLogin->hide();
    guarded([] { frmLogin->FormShow(); });
    EXPECT_EQ(field<QLineEdit>("Edit1")->text(), QString::fromUtf8("Firmă Ş"));
    EXPECT_EQ(field<QLineEdit>("Edit2")->text(), QString::fromUtf8("Ţuică"));
}

TEST_F(Login, UnreadableRememberedFileIsReportedAndReplaced) {
    const QByteArray bad[] = {"{\"company\": \"FIR", "not json", "[1, 2]", ""};
    for (const QByteArray& content : bad) {
        QFile file(home.filePath("QorNelvo.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        boxes.clear();
        guarded([] { frmLogin->FormShow(); });
        ASSERT_EQ(boxes.size(), 1) << content.toStdString();
        EXPECT_TRUE(boxes[0].startsWith("Fisierul ")) << boxes[0].toStdString();
        EXPECT_EQ(field<QLineEdit>("Edit1")->text(), "");
    }
    frmLogin->show();
    EXPECT_TRUE(attempt("FIRMA", "ion", "parola1"));
    frmLogin->hide();
    boxes.clear();
    guarded([] { frmLogin->FormShow(); });
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(field<QLineEdit>("Edit1")->text(), "FIRMA");
}

class MainWindowLogin : public Login {
protected:
    // Presses the main window's Login button and, inside the modal dialog, runs `inside`.
    void pressLogin(std::function<void()> inside) {
        QTimer::singleShot(0, frmLogin, [inside] { inside(); });
        QTest::mouseClick(fMenuImportFactCMarvo->findChild<QPushButton*>("ButtonLogin"), Qt::LeftButton);
    }
    bool loggedIn() { return fMenuImportFactCMarvo->findChild<QFrame*>("PanelMenu")->isVisible(); }
};

TEST_F(MainWindowLogin, ClosingTheDialogLeavesTheWindowLoggedOut) {
    fMenuImportFactCMarvo->show();
    pressLogin([] {
        EXPECT_TRUE(frmLogin->isModal());
        EXPECT_EQ(frmLogin->focusWidget(), frmLogin->findChild<QLineEdit*>("Edit3"));
        frmLogin->close();
    });
    EXPECT_FALSE(loggedIn());
    EXPECT_TRUE(fMenuImportFactCMarvo->findChild<QFrame*>("PanelLogin")->isVisible());
}

TEST_F(MainWindowLogin, FailedThenSuccessfulAttemptShowsTheMenu) {
    fMenuImportFactCMarvo->show();
    pressLogin([this] {
        EXPECT_FALSE(attempt("FIRMA", "ana", "x"));
        // Enter in the password edit presses Login.
        field<QLineEdit>("Edit2")->setText("ion");
        field<QLineEdit>("Edit3")->clear();
        QTest::keyClicks(field<QLineEdit>("Edit3"), "parola1");
        QTest::keyClick(field<QLineEdit>("Edit3"), Qt::Key_Return);
        if (frmLogin->isVisible())
            frmLogin->reject(); // Enter did not log in: end the modal loop instead of hanging
    });
    ASSERT_TRUE(loggedIn()) << boxes.join("|").toStdString();
    EXPECT_FALSE(fMenuImportFactCMarvo->findChild<QFrame*>("PanelLogin")->isVisible());
    EXPECT_EQ(fMenuImportFactCMarvo->findChild<QLabel*>("LabelDataBase")->text(), "qor1");
    EXPECT_EQ(fMenuImportFactCMarvo->findChild<QLabel*>("LabelUser")->text(), "User ion");
    EXPECT_EQ(boxes.size(), 1);
}

} // namespace
