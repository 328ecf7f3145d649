// The two files the program writes in the per-user folder, with that folder
// missing, impossible to create or read-only, the files in the way, and
// transaction numbers that no file name can hold as they are.
#include "FaultReport.h"
#include "ProgramSession.h"

#include "app/ErrorBox.h"
#include "data/u_dmCon.h"
#include "login/u_frmLogin.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QUrl>

namespace {

class FileFaults : public ProgramSession {
protected:
    // Points the per-user folder elsewhere; the program asks for it at every use.
    void useFolder(const QString& folder) { qputenv("XDG_CONFIG_HOME", folder.toUtf8()); }
    // Lists the journal and exports its current row (J-1: "<today>_id_FC 1.json").
    QString exportFirstRow() {
        click("ButtonCauta");
        click("ButtonVeziJson");
        return QDate::currentDate().toString("yyyy-MM-dd") + "_id_FC 1.json";
    }
};

TEST_F(FileFaults, PerUserFolderMissingIsCreatedAtTheFirstWrite) {
    const QString folder = home.filePath("nou/AppData");
    useFolder(folder);
    ASSERT_TRUE(login(plainLogin)) << joined(boxes);
    EXPECT_TRUE(QFile::exists(folder + "/QorNelvo.json"));
    const QString name = exportFirstRow();
    EXPECT_TRUE(boxes.isEmpty()) << joined(boxes);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(folder + "/" + name)});
    reportFault({"files", "per-user folder missing", "nothing", "both files, in the folder created for them",
                 "nothing"});
}

TEST_F(FileFaults, PerUserFolderThatCannotBeCreated) {
    // A regular file where a folder above the per-user folder should be.
    const auto blockedFolder = [this](const QString& name) {
        QFile blocker(home.filePath(name));
        EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
        useFolder(home.filePath(name + "/AppData"));
    };
    blockedFolder("blocker");
    guarded([] { frmLogin->FormShow(); });
    EXPECT_TRUE(boxes.isEmpty()) << "no file to read is no error";
    EXPECT_FALSE(login(plainLogin));
    QStringList shown = takeBoxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], "Nu se poate crea folderul " + home.filePath("blocker") + "/AppData.");
    EXPECT_TRUE(dmCon->glNumeFirma.isEmpty()) << "the login did not start";
    reportFault({"files", "per-user folder cannot be created (a file in the way), Login", shown[0],
                 "everything; no query has run",
                 "logging in, until the folder can be created: the company and user name are stored first"},
                home.path());
    ASSERT_TRUE(QFile::remove(home.filePath("blocker")));
    EXPECT_TRUE(login(plainLogin)) << joined(boxes);

    blockedFolder("blocker2");
    const QString name = exportFirstRow();
    shown = takeBoxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], "Nu se poate crea folderul " + home.filePath("blocker2") + "/AppData.");
    EXPECT_TRUE(opened.urls.isEmpty()) << "nothing is opened";
    reportFault({"files", "per-user folder cannot be created, \"Vezi Json factura\"", shown[0],
                 "everything; nothing is opened", "nothing once the folder can be created"},
                home.path());
    ASSERT_TRUE(QFile::remove(home.filePath("blocker2")));
    click("ButtonVeziJson");
    EXPECT_TRUE(boxes.isEmpty()) << joined(boxes);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(home.filePath("blocker2/AppData/") + name)});
}

// Read-only for real, root included: see ReadOnly.
TEST_F(FileFaults, ReadOnlyPerUserFolderAndFiles) {
    const QString rememberedPath = home.filePath("QorNelvo.json");
    const auto refusedWrite = [](const QStringList& shown, const QString& path) {
        return shown.size() == 1 && shown[0].startsWith("Nu se poate scrie fisierul " + path + ": ");
    };
    // Before any login: an attempt that fails leaves the remembered-login file.
    EXPECT_FALSE(login({plainLogin.company, plainLogin.user, "gresit"}));
    ASSERT_EQ(takeBoxes(), QStringList{"User, Password eronate."});
    const QByteArray remembered = rememberedFile();
    for (const QString& path : {home.path(), rememberedPath}) {
        SCOPED_TRACE(path.toStdString());
        ReadOnly readOnly(path);
        if (!readOnly.effective())
            GTEST_SKIP() << "this file system cannot make " << path.toStdString()
                         << " read-only for this user";
        EXPECT_FALSE(login({"ALTA FIRMA", "alt user", "x"}));
        const QStringList shown = takeBoxes();
        EXPECT_TRUE(refusedWrite(shown, rememberedPath)) << joined(shown);
        EXPECT_EQ(rememberedFile(), remembered) << "the remembered login is intact";
        EXPECT_TRUE(dmCon->glNumeFirma == plainLogin.company) << "no query has run";
        reportFault(
            {"files",
             path == home.path() ? "per-user folder read-only, Login" : "remembered-login file read-only",
             shown.value(0), "the remembered login, unchanged; no query has run",
             "logging in, until it is writable again: the company and user name are stored first"},
            home.path());
    }
    EXPECT_TRUE(login(plainLogin)) << joined(boxes);

    const QString exportedFile = exported(exportFirstRow());
    ASSERT_EQ(opened.urls.size(), 1) << joined(boxes);
    const QByteArray exportedBytes = "\xEF\xBB\xBFmodified by the user";
    {
        QFile file(exportedFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(exportedBytes);
    }
    for (const QString& path : {home.path(), exportedFile}) {
        SCOPED_TRACE(path.toStdString());
        ReadOnly readOnly(path);
        if (!readOnly.effective())
            GTEST_SKIP() << "this file system cannot make " << path.toStdString()
                         << " read-only for this user";
        click("ButtonVeziJson");
        const QStringList shown = takeBoxes();
        EXPECT_TRUE(refusedWrite(shown, exportedFile)) << joined(shown);
        EXPECT_EQ(opened.urls.size(), 1) << "nothing more is opened";
        QFile file(exportedFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), exportedBytes) << "the file there is intact";
        reportFault({"files",
                     path == home.path() ? "per-user folder read-only, \"Vezi Json factura\""
                                         : "exported file exists and is read-only",
                     shown.value(0), "the file already there, unchanged; nothing is opened",
                     "exporting this transaction, until it is writable again"},
                    home.path());
    }
    click("ButtonVeziJson");
    EXPECT_TRUE(boxes.isEmpty()) << joined(boxes);
    EXPECT_EQ(opened.urls.size(), 2);
}

TEST_F(FileFaults, RememberedLoginFileThatIsAFolder) {
    ASSERT_TRUE(QDir(home.path()).mkdir("QorNelvo.json"));
    guarded([] { frmLogin->FormShow(); });
    QStringList shown = takeBoxes();
    EXPECT_EQ(shown, QStringList{"Fisierul " + home.filePath("QorNelvo.json") +
                                 " nu poate fi citit: este un folder."});
    frmLogin->show();
    EXPECT_EQ(child<QLineEdit>(frmLogin, "Edit1")->text(), "") << "the dialog opens with empty edits";
    EXPECT_FALSE(login(plainLogin));
    const QStringList atLogin = takeBoxes();
    ASSERT_EQ(atLogin.size(), 1);
    EXPECT_TRUE(atLogin[0].startsWith("Nu se poate scrie fisierul ")) << atLogin[0].toStdString();
    reportFault({"files", "remembered-login file is a folder", shown.value(0) + " / at Login: " + atLogin[0],
                 "everything; no query has run",
                 "logging in, until the folder is removed (the company and user name are stored first)"},
                home.path());

    ASSERT_TRUE(QDir(home.filePath("QorNelvo.json")).removeRecursively());
    EXPECT_TRUE(login(plainLogin)) << joined(boxes);
}

TEST_F(FileFaults, TransactionNumbersNoFileNameCanHoldAsTheyAre) {
    const QString day = QDate::currentDate().toString("yyyy-MM-dd");
    const int room = 255 - (day + "_id_.json").size(); // bytes a number may take in a 255-byte name
    const struct {
        const char* fault;
        std::string number;
        QString fileName; // empty: refused with an error
    } cases[] = {
        {"number \"..\"", "..", day + "_id_...json"},
        {"number \"../../x\"", "../../x", day + "_id_.._.._x.json"},
        {"number \"..\\\\..\\\\x\"", "..\\..\\x", day + "_id_.._.._x.json"},
        {"number with every character Windows refuses", "<>:\"/\\|?*\x01\x1f",
         day + "_id_" + QString(11, u'_') + ".json"},
        {"number making a 255-byte name", std::string(room, 'n'),
         day + "_id_" + QString(room, u'n') + ".json"},
        {"number making a 256-byte name", std::string(room + 1, 'n'), {}},
        {"number of 300 characters", std::string(300, 'n'), {}},
    };
    std::string values;
    int id = 0;
    for (const auto& c : cases)
        values += std::string(values.empty() ? "" : ", ") + "('N-" + std::to_string(++id) +
                  "', '{}', current_date, $n$" + c.number + "$n$)";
    pg().exec(pg().tlsPort, "qor1",
              "delete from log_samo_factc; insert into log_samo_factc (id, json_factc, json_factc_date, "
              "json_factc_nr) values " +
                  values);
    ASSERT_TRUE(login(plainLogin)) << joined(boxes);
    click("ButtonCauta");
    ASSERT_EQ(gridRows(), id);
    for (int row = 0; row < id; ++row) {
        selectRow(row);
        const auto& c = cases[currentId().mid(2).toInt() - 1];
        SCOPED_TRACE(c.fault);
        opened.urls.clear();
        click("ButtonVeziJson");
        const QStringList shown = takeBoxes();
        if (c.fileName.isEmpty()) {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_TRUE(shown[0].startsWith("Nu se poate scrie fisierul ")) << shown[0].toStdString();
            EXPECT_TRUE(shown[0].endsWith(": File name too long.")) << shown[0].toStdString();
            EXPECT_TRUE(opened.urls.isEmpty());
        } else {
            EXPECT_TRUE(shown.isEmpty()) << joined(shown);
            EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(exported(c.fileName))});
            EXPECT_TRUE(QFile::exists(exported(c.fileName)));
        }
        reportFault({"files", c.fault,
                     c.fileName.isEmpty() ? shown.value(0) : "the file " + c.fileName + " opens",
                     c.fileName.isEmpty() ? "everything; nothing is written or opened"
                                          : "the file, in the per-user folder",
                     c.fileName.isEmpty()
                         ? "viewing this transaction through the program (its JSON stays in the journal)"
                         : "nothing"},
                    home.path());
    }
    // Everything written stayed in the per-user folder, and nothing else is there.
    QStringList written;
    for (QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        written << QDir(home.path()).relativeFilePath(it.next());
    written.sort();
    QStringList expected{"QorNelvo.json"};
    for (const auto& c : cases)
        if (!c.fileName.isEmpty() && !expected.contains(c.fileName))
            expected << c.fileName;
    expected.sort();
    EXPECT_EQ(written, expected);
}

} // namespace
