// The export file name over any date and transaction number: it never holds
// a character a Windows file name cannot hold, nor a folder separator, so the
// file always lands in the folder it is joined with; only those characters
// change; and the file's bytes are the BOM, the text untouched, CR LF.
#include "FuzzCheck.h"
#include "import/JsonExport.h"

#include <QDir>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int year = input.ConsumeIntegralInRange(-10000, 10000);
    const int month = input.ConsumeIntegralInRange(0, 13);
    const int day = input.ConsumeIntegralInRange(0, 32);
    const QDate date(year, month, day);
    const bool utf16 = input.ConsumeBool();
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    // UTF-16 code units as they come, lone surrogates included, or UTF-8 as it comes.
    const QString number = utf16 ? QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.data()),
                                                      static_cast<qsizetype>(bytes.size() / 2))
                                 : QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));

    const QString name = exportFileName(date, number);
    const QString prefix =
        (date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString()) + "_id_";
    FUZZ_CHECK(name.startsWith(prefix) && name.endsWith(QStringLiteral(".json")));
    FUZZ_CHECK(name.size() == prefix.size() + number.size() + 5);
    for (qsizetype i = 0; i < number.size(); ++i) {
        const QChar c = name[prefix.size() + i];
        const bool forbidden = c.unicode() < 32 || QStringView(u"<>:\"/\\|?*").contains(c);
        FUZZ_CHECK(!forbidden);
        FUZZ_CHECK(c == number[i] || c == u'_');
    }
    const QString folder = QStringLiteral("/per-user");
    FUZZ_CHECK(QDir::cleanPath(QDir(folder).filePath(name)) == folder + u'/' + name);

    const QByteArray content = exportFileContent(bytes);
    FUZZ_CHECK(content.startsWith("\xEF\xBB\xBF") && content.endsWith("\r\n"));
    FUZZ_CHECK(content.size() == static_cast<qsizetype>(bytes.size()) + 5);
    FUZZ_CHECK(content.mid(3, static_cast<qsizetype>(bytes.size())) == QByteArray::fromStdString(bytes));
    return 0;
}
