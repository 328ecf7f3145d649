#pragma once

#include "data/Query.h"

#include <QWidget>
#include <memory>

class TdmCon;

namespace Ui {
class TfImportFactCIMarvo;
}

// The import and journal window: lists the journal of imported SAMO
// transactions from a start date up to today, runs an import through the SAMO
// client with its progress in the memo, and opens the selected transaction's
// JSON in the default viewer. Closing it only hides it.
class TfImportFactCIMarvo : public QWidget {
    Q_OBJECT
public:
    explicit TfImportFactCIMarvo(TdmCon& dm, QWidget* parent = nullptr);
    ~TfImportFactCIMarvo() override;

    // The journal, on the company connection.
    db::Query dsLogSamoFactc;
    // The current journal row's record, opened for an export only.
    db::Query dsLogSamoFactcUnu;

    void ButtonCautaClick();
    void Button1Click();
    void ButtonVeziJsonClick();
    void Button2Click();

    // The import's progress sink: one line per requested page.
    void appendJournalLine(const QString& line);

private:
    void FormCreate();

    std::unique_ptr<Ui::TfImportFactCIMarvo> ui;
};

extern TfImportFactCIMarvo* fImportFactCIMarvo;
