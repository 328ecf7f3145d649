#include "ProgramSession.h"

#include "app/AppName.h"
#include "app/ErrorBox.h"
#include "app/Startup.h"
#include "data/u_dmCon.h"
#include "import/JournalGrid.h"
#include "import/u_fImportFactCIMarvo.h"
#include "login/LoginSequence.h"
#include "login/u_frmLogin.h"
#include "samo/u_fProc_Samo.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <unistd.h>

using namespace std::chrono_literals;

const Credentials plainLogin{"FIRMA", "ion", "parola1"};
const Credentials hashedLogin{"Firma Hash", "ana", QString::fromUtf8("Parolă-2")};

const PgFixture& pg() {
    return PgFixture::get();
}

std::string joined(const QStringList& texts) {
    return texts.join(" | ").toStdString();
}

namespace {

// A text as an SQL literal that no test value can end early.
std::string literal(const QString& value) {
    const std::string text = value.toStdString();
    EXPECT_EQ(text.find("$v$"), std::string::npos);
    return "$v$" + text + "$v$";
}

// Runs one of the project's scripts; its output when it fails.
bool runScript(const QString& script, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(WIMPORT_SOURCE_DIR) + "/scripts/" + script, arguments);
    const bool finished = process.waitForFinished(120000);
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QStringList clusterArguments(ClusterOutage::Cluster cluster) {
    const bool tls = cluster == ClusterOutage::Cluster::Tls;
    QStringList args{QString::fromStdString(pg().root) + (tls ? "/tls" : "/plain"),
                     QString::number(tls ? pg().tlsPort : pg().plainPort)};
    if (!tls)
        args << "--no-tls"; // without it the cluster would come back with TLS
    return args;
}

} // namespace

void seedCompany(const Credentials& c, int port, const std::string& database, bool hashed,
                 const std::string& samoApi) {
    const std::string password = literal(hashed ? sha256Hex(c.password) : c.password);
    pg().exec(pg().tlsPort, "qor_mob",
              "insert into m_firma values (" + literal(c.company) + ", '127.0.0.1', " + std::to_string(port) +
                  ", '" + database + "', true, false, " + (hashed ? "'HashSHA2'" : "null") + ")");
    pg().exec(port, database,
              "insert into emitent (emitent, operator_parola, eu_punct_lucru) values (" + literal(c.user) +
                  ", " + password +
                  ", 'PL 1');"
                  "insert into aplicatie_mob values ('wImportFactCMarvo', true, null);"
                  "insert into aplicatie_mob_emitent values ('wimportfactcmarvo', " +
                  literal(c.user) +
                  ", 'operator');"
                  "insert into eu (cod_cci, tara, localit, adresa, jas_ip) values ('RO 1', 'RO', 'Cluj', "
                  "'Str. 1', 'rapoarte:8443');"
                  "insert into config_samo values (" +
                  literal(QString::fromStdString(samoApi)) + ", 'samo.user', 'samo-pass-1')");
}

ClusterOutage::ClusterOutage(Cluster cluster) : cluster_(cluster) {}

ClusterOutage::~ClusterOutage() {
    if (stopped_)
        start();
}

void ClusterOutage::stop() {
    QString output;
    if (!runScript("pg-cluster", {"stop", clusterArguments(cluster_).at(0)}, &output))
        ADD_FAILURE() << "pg-cluster stop: " << output.toStdString();
    stopped_ = true;
}

void ClusterOutage::start() {
    ensureRunning(cluster_);
    stopped_ = false;
}

void ClusterOutage::ensureRunning(Cluster cluster) {
    QString output;
    if (!runScript("pg-cluster", QStringList{"start"} + clusterArguments(cluster), &output))
        ADD_FAILURE() << "pg-cluster start: " << output.toStdString();
}

Undo::Undo(int port, std::string database, const std::string& doSql, std::string undoSql)
    : port_(port), database_(std::move(database)), undoSql_(std::move(undoSql)) {
    pg().exec(port_, database_, doSql);
}

Undo::~Undo() {
    try {
        now();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "could not undo: " << e.what();
    }
}

void Undo::now() {
    if (done_)
        return;
    done_ = true;
    pg().exec(port_, database_, undoSql_);
}

ReadOnly::ReadOnly(QString path) : path_(std::move(path)) {
    if (geteuid() == 0) {
        applied_ = QProcess::execute("chattr", {"+i", path_}) == 0;
    } else {
        const bool folder = QFileInfo(path_).isDir();
        applied_ =
            QFile::setPermissions(path_, folder ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner);
    }
}

ReadOnly::~ReadOnly() {
    undo();
}

void ReadOnly::undo() {
    if (!applied_)
        return;
    applied_ = false;
    if (geteuid() == 0) {
        QProcess::execute("chattr", {"-i", path_});
    } else {
        const bool folder = QFileInfo(path_).isDir();
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner |
                                         (folder ? QFile::ExeOwner : QFile::Permissions()));
    }
}

bool ReadOnly::effective() const {
    if (!applied_)
        return false;
    if (QFileInfo(path_).isDir()) {
        QFile probe(QDir(path_).filePath("probe"));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            return false;
        }
        return true;
    }
    QFile file(path_);
    return !file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void ProgramSession::SetUp() {
    ClusterOutage::ensureRunning(ClusterOutage::Cluster::Tls);
    ClusterOutage::ensureRunning(ClusterOutage::Cluster::Plain);
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    setApplicationPathOverride("/usr/bin/wImportFactCMarvo");
    errorBox::setPresenter([this](QWidget*, const QString&, const QString& text) { boxes << text; });
    QDesktopServices::setUrlHandler("file", &opened, "open");

    scenario.pages = 3;
    samo.setScenario(scenario);
    samo.start();
    samoApi = samo.baseUrl() + "/api";
    seed();

    startProgram();
}

void ProgramSession::restartProgram() {
    destroyApplicationObjects();
    startProgram();
}

void ProgramSession::startProgram() {
    createApplicationObjects();
    // What a build gives as settings: where the directory is, the passwords.
    dmCon->conQorMob.setServer("127.0.0.1");
    dmCon->conQorMob.setPort(pg().tlsPort);
    dmCon->conQorMob.setPassword(pg().qorPassword);
    dmCon->conQor.setPassword(pg().qorPassword);
    // Shorter time-outs, so that a hung server shows in seconds, yet long
    // enough for a sanitizer build on a busy machine.
    dmCon->conQorMob.setConnectTimeout(10);
    dmCon->conQor.setConnectTimeout(10);
    fProc_Samo->RESTClient1.setTimeoutsForTests(10s, 10s, 10s);
}

void ProgramSession::TearDown() {
    destroyApplicationObjects();
    QDesktopServices::unsetUrlHandler("file");
    errorBox::setPresenter({});
    setApplicationPathOverride({});
    qunsetenv("XDG_CONFIG_HOME");
}

void ProgramSession::seed() {
    pg().resetData();
    seedCompany(plainLogin, pg().tlsPort, "qor1", false, samoApi);
    seedCompany(hashedLogin, pg().plainPort, "qor2", true, samoApi);
    pg().exec(
        pg().tlsPort, "qor1",
        "insert into log_samo_factc (id, json_factc, json_factc_date, json_factc_nr) values ('J-1', "
        "'{\"id\": \"J-1\", \"clientData\": {\"client\": \"Alfa SRL\", \"cui\": \"RO1\"}}', current_date, "
        "'FC 1')");
}

bool ProgramSession::login(const Credentials& c) {
    if (!frmLogin->isVisible()) {
        guarded([] { frmLogin->FormShow(); });
        frmLogin->show();
    }
    for (auto [name, text] : {std::pair{"Edit1", c.company}, {"Edit2", c.user}, {"Edit3", c.password}}) {
        auto* edit = child<QLineEdit>(frmLogin, name);
        edit->clear();
        typeText(edit, text);
    }
    QTest::mouseClick(child<QAbstractButton>(frmLogin, "Button1"), Qt::LeftButton);
    return !frmLogin->isVisible() && frmLogin->result() == QDialog::Accepted;
}

QWidget* ProgramSession::importWindow() {
    if (!fImportFactCIMarvo->isVisible()) {
        fImportFactCIMarvo->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fImportFactCIMarvo));
    }
    return fImportFactCIMarvo;
}

void ProgramSession::click(const char* button) {
    QTest::mouseClick(child<QAbstractButton>(importWindow(), button), Qt::LeftButton);
}

QStringList ProgramSession::memoLines() {
    const QString text = child<QPlainTextEdit>(importWindow(), "Memo1")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

int ProgramSession::gridRows() {
    return child<JournalGrid>(importWindow(), "cxGrid1")->visibleRowCount();
}

QString ProgramSession::currentId() {
    return fImportFactCIMarvo->dsLogSamoFactc.isOpen() ? fImportFactCIMarvo->dsLogSamoFactc.text("id")
                                                       : QString();
}

void ProgramSession::selectRow(int row) {
    JournalGrid* grid = child<JournalGrid>(importWindow(), "cxGrid1");
    grid->view()->setCurrentIndex(grid->view()->model()->index(row, 0));
}

QString ProgramSession::exported(const QString& fileName) const {
    return QDir(home.path()).filePath(fileName);
}

int ProgramSession::storedRows(const std::string& where) {
    return std::stoi(pg().scalar(pg().tlsPort, "qor1", "select count(*) from log_samo_factc where " + where));
}

QByteArray ProgramSession::rememberedFile() const {
    QFile file(QDir(home.path()).filePath("QorNelvo.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList ProgramSession::takeBoxes() {
    return std::exchange(boxes, {});
}
