// The import window's parts that need no database: the export file, the
// busy state and the date editor.
#include "import/BusyGuard.h"
#include "import/JournalColumns.h"
#include "import/JsonExport.h"
#include "import/NullableDateEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

TEST(JsonExport, FileNameReplacesWhatWindowsFileNamesCannotHold) {
    const QDate day(2026, 5, 11);
    const struct {
        QDate date;
        QString number;
        QString name;
    } cases[] = {
        {day, "FC 2026-0012", "2026-05-11_id_FC 2026-0012.json"},
        {day, "a<b>c:d\"e/f\\g|h?i*j", "2026-05-11_id_a_b_c_d_e_f_g_h_i_j.json"},
        {day, QString("x") + QChar(0) + QChar(9) + QChar(31) + QChar(32) + "y", "2026-05-11_id_x___ y.json"},
        {day, "../../etc/passwd", "2026-05-11_id_.._.._etc_passwd.json"},
        {day, "Factură ĂÎȘȚ", "2026-05-11_id_Factură ĂÎȘȚ.json"},
        {QDate(), "FC 1", "_id_FC 1.json"},
        {day, "", "2026-05-11_id_.json"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(exportFileName(c.date, c.number), c.name) << c.number.toStdString();
}

TEST(JsonExport, ContentIsBomTextUntouchedAndCrLf) {
    const std::string json = "{\n  \"client\": \"Mărțișor\",\r\n  \"x\": 1\n}";
    const QByteArray bytes = exportFileContent(json);
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF") + QByteArray::fromStdString(json) + "\r\n");
    EXPECT_EQ(exportFileContent({}), QByteArray("\xEF\xBB\xBF\r\n"));
}

TEST(JournalColumns, ShowDatesAndTimestampsInTheirFormats) {
    EXPECT_EQ(displayText("2026-05-11", false, ColumnFormat::Date), "2026-05-11");
    EXPECT_EQ(displayText("2026-05-11 10:20:30.123456", false, ColumnFormat::Timestamp),
              "2026-05-11 10:20:30");
    EXPECT_EQ(displayText("2026-05-11 10:20:30", false, ColumnFormat::Timestamp), "2026-05-11 10:20:30");
    EXPECT_EQ(displayText("Călătorii", false, ColumnFormat::Text), "Călătorii");
    EXPECT_EQ(displayText("", true, ColumnFormat::Date), "");
}

class BusyWidgets : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(button = new QPushButton("b"));
        layout->addWidget(edit = new QLineEdit);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    QPushButton* button = nullptr;
    QLineEdit* edit = nullptr;
};

TEST_F(BusyWidgets, TakeNoInputAndShowAWaitCursorUntilTheLastGuardEnds) {
    QSignalSpy clicks(button, &QPushButton::clicked);
    {
        BusyGuard outer;
        {
            BusyGuard inner;
            EXPECT_TRUE(BusyGuard::active());
        }
        EXPECT_TRUE(BusyGuard::active()) << "the outer guard still holds";
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QTest::mouseClick(button, Qt::LeftButton);
        edit->setFocus();
        QTest::keyClicks(edit, "abc");
        QTest::keyClick(button, Qt::Key_Space);
        BusyGuard::keepPainting();
        EXPECT_EQ(clicks.count(), 0);
        EXPECT_EQ(edit->text(), "");
        // Nor is a window closed (as its title bar's button would ask).
        QWidget other;
        other.show();
        EXPECT_FALSE(other.close());
        EXPECT_TRUE(other.isVisible());
    }
    EXPECT_FALSE(BusyGuard::active());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(edit->text(), "abc");
}

TEST(NullableDateEdit, CanBeEmptiedAndTakesOnlyWholeDates) {
    NullableDateEdit editor;
    editor.show();
    QLineEdit* text = editor.lineEdit();
    QSignalSpy changes(&editor, &NullableDateEdit::dateChanged);

    editor.setDate(QDate(2026, 4, 11));
    EXPECT_EQ(text->text(), "2026-04-11");
    EXPECT_EQ(editor.dateOrNullDate(), QDate(2026, 4, 11));

    // The user empties it.
    text->setFocus();
    text->selectAll();
    QTest::keyClick(text, Qt::Key_Backspace);
    EXPECT_TRUE(editor.isEmpty());
    EXPECT_EQ(editor.dateOrNullDate(), QDate(1, 1, 1));
    EXPECT_EQ(editor.dateOrNullDate().toString(Qt::ISODate), "0001-01-01");

    // A whole date is taken as it is typed; letters are refused.
    QTest::keyClicks(text, "2025x-12-31");
    EXPECT_EQ(text->text(), "2025-12-31");
    EXPECT_EQ(editor.date(), QDate(2025, 12, 31));

    // Not a real day: the last date stays and shows again when editing ends.
    text->selectAll();
    QTest::keyClicks(text, "2025-02-30");
    EXPECT_EQ(editor.date(), QDate(2025, 12, 31));
    Q_EMIT text->editingFinished();
    EXPECT_EQ(text->text(), "2025-12-31");
    EXPECT_EQ(changes.count(), 3);
}

} // namespace
