#include "FaultReport.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString cell(QString text, const QString& perUserFolder) {
    if (!perUserFolder.isEmpty())
        text.replace(perUserFolder, QStringLiteral("%APPDATA%"));
    text.replace(QDate::currentDate().toString(Qt::ISODate), QStringLiteral("YYYY-MM-DD"));
    static const QRegularExpression port(QStringLiteral("(port |127\\.0\\.0\\.1:)\\d+"));
    text.replace(port, QStringLiteral("\\1N"));
    // A long run of one character (a 300-character number) as its length.
    static const QRegularExpression run(QStringLiteral("(.)\\1{19,}"));
    for (QRegularExpressionMatch m = run.match(text); m.hasMatch();
         m = run.match(text, m.capturedStart() + 1))
        text.replace(m.capturedStart(), m.capturedLength(),
                     QStringLiteral("%1…(%2 × %1)").arg(m.captured(1)).arg(m.capturedLength()));
    static const QRegularExpression blanks(QStringLiteral("[\\t\\r\\n]+"));
    return text.replace(blanks, QStringLiteral(" ")).replace(u'|', QStringLiteral("\\|"));
}

} // namespace

void reportFault(const FaultRow& row, const QString& perUserFolder) {
    const QString path = qEnvironmentVariable("WIMPORT_RELIABILITY_REPORT");
    if (path.isEmpty())
        return;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = test ? QStringLiteral("%1.%2").arg(QString::fromUtf8(test->test_suite_name()),
                                                            QString::fromUtf8(test->name()))
                              : QString();
    QStringList cells;
    for (const QString& text : {row.area, row.fault, row.userSees, row.stored, row.lost, name})
        cells << cell(text, perUserFolder);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        ADD_FAILURE() << "cannot append to " << path.toStdString();
    file.write(cells.join(u'\t').toUtf8() + '\n');
}
