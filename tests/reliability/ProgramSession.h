// The whole program as start-up creates it, against the test run's PostgreSQL
// and our SAMO test server, driven through its windows offscreen; and the
// means to break its surroundings for real.
#pragma once

#include "tests/support/GuiTest.h"
#include "tests/support/PgFixture.h"

#include "SamoServer.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

#include <QWidget>

const PgFixture& pg();

struct Credentials {
    QString company, user, password;
};
// A company on the TLS cluster (qor1), its password stored as typed.
extern const Credentials plainLogin;
// A company on the cluster without TLS (qor2), its password stored as a SHA-256 digest.
extern const Credentials hashedLogin;

// A company of the directory whose database is `database` on `port`: its
// user (password as typed, or its SHA-256 digest when `hashed`), the
// application registered and assigned, its own record, config_samo.
void seedCompany(const Credentials& credentials, int port, const std::string& database, bool hashed,
                 const std::string& samoApi);

// One of the test run's two clusters, stopped for real (pg-cluster stop) and
// started again on its own port; started again in any case when this goes
// away, so a failing test leaves no cluster down for the next one.
class ClusterOutage {
public:
    enum class Cluster { Tls, Plain };
    explicit ClusterOutage(Cluster cluster);
    ~ClusterOutage();
    ClusterOutage(const ClusterOutage&) = delete;
    ClusterOutage& operator=(const ClusterOutage&) = delete;

    void stop();
    void start();
    bool stopped() const { return stopped_; }

    // pg-cluster start is a no-op for a running cluster.
    static void ensureRunning(Cluster cluster);

private:
    Cluster cluster_;
    bool stopped_ = false;
};

// Runs statements as the superuser now and others when this goes away
// (a renamed column renamed back, a changed password restored).
class Undo {
public:
    Undo(int port, std::string database, const std::string& doSql, std::string undoSql);
    ~Undo();
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;
    void now(); // undoes at once, once

private:
    int port_;
    std::string database_, undoSql_;
    bool done_ = false;
};

// A file or folder that refuses writes for real. Root ignores permission bits,
// so as root it gets the immutable attribute (chattr +i), otherwise it loses
// its write permission. effective() says whether writes are refused now (a
// file system without attributes, say, cannot do it as root).
class ReadOnly {
public:
    explicit ReadOnly(QString path);
    ~ReadOnly();
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;
    bool effective() const;
    void undo();

private:
    QString path_;
    bool applied_ = false;
};

class ProgramSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Seeds both companies (login rows, config_samo pointing at our SAMO
    // server) and one journal row "J-1" dated today in qor1.
    void seed();

    // Ends the program's objects and creates them again, as a new run would
    // (a successful login is final for a run).
    void restartProgram();

    // Types into the login dialog and presses Login; whether it closed with success.
    bool login(const Credentials& credentials);
    // The import window, shown; its buttons by name.
    QWidget* importWindow();
    void click(const char* button);
    QStringList memoLines();
    int gridRows();
    // The grid's current row as the query sees it.
    QString currentId();
    void selectRow(int row);
    QString exported(const QString& fileName) const;

    static int storedRows(const std::string& where = "true");
    QByteArray rememberedFile() const;

    // Error boxes shown since the last call.
    QStringList takeBoxes();

    QTemporaryDir home;
    QStringList boxes;
    OpenRequests opened;
    samotest::SamoServer samo;
    samotest::Scenario scenario;
    std::string samoApi;

private:
    void startProgram();
};

template <class T> T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(name);
    if (!found)
        ADD_FAILURE() << "no widget " << name;
    return found;
}

// Text of a box list for failure messages.
std::string joined(const QStringList& texts);
