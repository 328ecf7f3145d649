#include "app/AppError.h"
#include "app/AppName.h"
#include "app/ErrorBox.h"
#include "app/Startup.h"
#include "app/u_fMenuImportFactCMarvo.h"
#include "data/u_dmCon.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(AppName, FollowsTheExecutableFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/wimport/bin/wImportFactCMarvo", "wimportfactcmarvo"},
        {"C:\\Program Files\\Qor\\wImportFactCMarvo.exe", "wimportfactcmarvo"},
        {"/x.y/WImport.Fact.exe", "Wimport"},
        {"ABC", "Abc"},
        {"a", "a"},
        {"/dir/.hidden", ""},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(appNameFromPath(path), name) << path;
}

TEST(ErrorBox, TextAppendsAPeriodOnlyAfterCharactersSortingAfterIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"Companie inexistenta", "Companie inexistenta."},
        {"Nu aveti inregistrari.", "Nu aveti inregistrari."},
        {"(getToken) EROARE! StatusCode = 401, Content = {}",
         "(getToken) EROARE! StatusCode = 401, Content = {}."},
        {"eroare (x)", "eroare (x)"},
        {"ends with blank ", "ends with blank "},
        {"cifra 5", "cifra 5."},
        {"virgula,", "virgula,"},
        {"slash/", "slash/."},
        {"", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(errorBoxText(message), shown) << message;
}

class BoxRecorder {
public:
    BoxRecorder() {
        errorBox::setPresenter([this](QWidget*, const QString& title, const QString& text) {
            titles << title;
            texts << text;
        });
    }
    ~BoxRecorder() { errorBox::setPresenter({}); }
    QStringList titles, texts;
};

TEST(ErrorBox, GuardShowsTheInnermostMessageUnderTheApplicationName) {
    BoxRecorder box;
    setApplicationPathOverride("/usr/bin/wImportFactCMarvo");
    EXPECT_TRUE(guarded([] {}));
    EXPECT_FALSE(guarded([] {
        try {
            throw AppError("Companie inexistenta");
        } catch (...) {
            std::throw_with_nested(AppError("outer"));
        }
    }));
    EXPECT_FALSE(guarded([] { throw std::runtime_error("x)"); }));
    EXPECT_FALSE(guarded([] { throw 42; }));
    EXPECT_EQ(box.texts, (QStringList{"Companie inexistenta.", "x)", "Eroare necunoscuta."}));
    EXPECT_EQ(box.titles.value(0), "wimportfactcmarvo");
    setApplicationPathOverride({});
}

TEST(ErrorBox, RealBoxIsModalCriticalWithOneOkButton) {
    QWidget owner;
    owner.show();
    owner.activateWindow();
    QMessageBox* seen = nullptr;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->icon(), QMessageBox::Critical);
        EXPECT_EQ(seen->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(seen->text(), "Companie inexistenta.");
        seen->button(QMessageBox::Ok)->click();
    });
    errorBox::show(QString("Companie inexistenta"));
    EXPECT_NE(seen, nullptr);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { createApplicationObjects(); }
    void TearDown() override { destroyApplicationObjects(); }
    template <class T> T* find(const char* name) { return fMenuImportFactCMarvo->findChild<T*>(name); }
};

TEST_F(MainWindow, StartsLoggedOutWithTheStoredCaptions) {
    ASSERT_NE(dmCon, nullptr) << "the data module is created with the main window";
    EXPECT_TRUE(dmCon->glUser.isEmpty());
    TfMenuImportFactCMarvo& w = *fMenuImportFactCMarvo;
    w.show();
    EXPECT_EQ(w.windowTitle(), "fMenuImportFactCMarvo");
    EXPECT_EQ(w.size(), QSize(420, 236));
    EXPECT_EQ(w.font().family(), "Segoe UI");
    EXPECT_TRUE(find<QFrame>("PanelLogin")->isVisible());
    EXPECT_EQ(find<QFrame>("PanelLogin")->height(), 49);
    EXPECT_FALSE(find<QFrame>("PanelMenu")->isVisible());
    EXPECT_EQ(find<QPushButton>("ButtonLogin")->text(), "Login");
    EXPECT_EQ(find<QPushButton>("ButtonLogin")->size(), QSize(75, 30));
    for (const char* label : {"Label1", "Label2"})
        EXPECT_EQ(find<QLabel>(label)->text(), "wImportFactCMarvo v. 2026.05.11");
    EXPECT_EQ(find<QPushButton>("ButtonImportFactC")->text(), "Import tranzactii facturi client (API SAMO)");
}

TEST_F(MainWindow, CreatingTheObjectsConnectsToNothing) {
    EXPECT_FALSE(dmCon->dsEmitent.isOpen());
    EXPECT_FALSE(dmCon->dsEu.isOpen());
    EXPECT_EQ(dmCon->conQor.pooledSessions(), 0u);
    EXPECT_EQ(dmCon->conQor.settings().database, "qor1");
    EXPECT_EQ(dmCon->conQorMob.settings().database, "qor_mob");
    EXPECT_EQ(dmCon->conQorMob.settings().user, "qor");
    EXPECT_TRUE(dmCon->conQor.settings().pooling);
    EXPECT_FALSE(dmCon->conQorMob.settings().pooling);
}

} // namespace
