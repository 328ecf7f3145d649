#include "import/u_fImportFactCIMarvo.h"

#include "app/AppError.h"
#include "app/ErrorBox.h"
#include "app/UserFiles.h"
#include "data/QueryCatalogue.h"
#include "data/u_dmCon.h"
#include "import/BusyGuard.h"
#include "import/DesktopOpen.h"
#include "import/JsonExport.h"
#include "samo/u_fProc_Samo.h"
#include "ui_u_fImportFactCIMarvo.h"

#include <QPlainTextEdit>
#include <QPushButton>

TfImportFactCIMarvo* fImportFactCIMarvo = nullptr;

namespace {

const char* const msgCautaFirst = "Apasati butonul \"Cauta\" si dupa reluati importul.";
const char* const msgNoRows = "Nu aveti inregistrari.";
const char* const msgNoSamoClient = "Clientul SAMO nu a fost creat";

// Closes a query when the scope ends, errors included.
class ClosesOnExit {
public:
    explicit ClosesOnExit(db::Query& query) : query_(query) {}
    ~ClosesOnExit() { query_.close(); }
    ClosesOnExit(const ClosesOnExit&) = delete;
    ClosesOnExit& operator=(const ClosesOnExit&) = delete;

private:
    db::Query& query_;
};

// Lets the SAMO client's transfers keep the windows painted, for one import.
class PaintsWhileTransferring {
public:
    explicit PaintsWhileTransferring(HttpClient& client) : client_(client) {
        client_.setIdleCallback([] { BusyGuard::keepPainting(); });
    }
    ~PaintsWhileTransferring() { client_.setIdleCallback({}); }
    PaintsWhileTransferring(const PaintsWhileTransferring&) = delete;
    PaintsWhileTransferring& operator=(const PaintsWhileTransferring&) = delete;

private:
    HttpClient& client_;
};

} // namespace

TfImportFactCIMarvo::TfImportFactCIMarvo(TdmCon& dm, QWidget* parent)
    : QWidget(parent, Qt::Window), dsLogSamoFactc(db::catalogueQuery("dsLogSamoFactc"), dm.conQor),
      dsLogSamoFactcUnu(db::catalogueQuery("dsLogSamoFactcUnu"), dm.conQor),
      ui(std::make_unique<Ui::TfImportFactCIMarvo>()) {
    ui->setupUi(this);
    ui->cxGrid1->applyStyle(dm.GridTableViewStyleSheetDevExpress);
    ui->cxGrid1->setQuery(&dsLogSamoFactc);
    connect(ui->ButtonCauta, &QPushButton::clicked, this,
            [this] { guarded([this] { ButtonCautaClick(); }); });
    connect(ui->Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(ui->ButtonVeziJson, &QPushButton::clicked, this,
            [this] { guarded([this] { ButtonVeziJsonClick(); }); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    FormCreate();
}

TfImportFactCIMarvo::~TfImportFactCIMarvo() {
    // The grid outlives the queries (children go after members): let go of it first.
    ui->cxGrid1->setQuery(nullptr);
}

void TfImportFactCIMarvo::FormCreate() {
    ui->cxDateEditDataIncep->setDate(QDate::currentDate().addDays(-30));
}

void TfImportFactCIMarvo::ButtonCautaClick() {
    BusyGuard busy;
    dsLogSamoFactc.setParam("pDataIncep", ui->cxDateEditDataIncep->dateOrNullDate());
    if (dsLogSamoFactc.isOpen())
        dsLogSamoFactc.refresh();
    else
        dsLogSamoFactc.open();
}

void TfImportFactCIMarvo::Button1Click() {
    if (BusyGuard::active())
        return; // one import at a time
    if (!dsLogSamoFactc.isOpen())
        throw AppError(msgCautaFirst);
    if (!fProc_Samo)
        throw AppError(msgNoSamoClient);
    BusyGuard busy;
    {
        PaintsWhileTransferring painting(fProc_Samo->RESTClient1);
        fProc_Samo->getInvoices([this](const QString& line) { appendJournalLine(line); });
    }
    dsLogSamoFactc.refresh();
}

void TfImportFactCIMarvo::appendJournalLine(const QString& line) {
    ui->Memo1->appendPlainText(line);
    BusyGuard::keepPainting();
}

void TfImportFactCIMarvo::ButtonVeziJsonClick() {
    if (!dsLogSamoFactc.isOpen() || dsLogSamoFactc.rowCount() == 0 || ui->cxGrid1->visibleRowCount() == 0)
        throw AppError(msgNoRows);
    const QString path = perUserFile(
        exportFileName(dsLogSamoFactc.date("json_factc_date"), dsLogSamoFactc.text("json_factc_nr")));
    dsLogSamoFactcUnu.close();
    dsLogSamoFactcUnu.setParam("id", dsLogSamoFactc.text("id"));
    ClosesOnExit closes(dsLogSamoFactcUnu);
    dsLogSamoFactcUnu.open();
    const int json = dsLogSamoFactcUnu.column("json_factc");
    const std::string_view text =
        dsLogSamoFactcUnu.rowCount() > 0 ? dsLogSamoFactcUnu.raw(0, json) : std::string_view();
    writeFileAtomically(path, exportFileContent(text));
    openInDefaultViewer(path);
}

void TfImportFactCIMarvo::Button2Click() {
    ui->Memo1->clear();
}
