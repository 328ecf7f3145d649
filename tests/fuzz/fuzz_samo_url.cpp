// The SAMO URL rule over any base URL and resource: the URL names a scheme,
// ends with "/" + resource, and keeps the trimmed base as it is but for
// "http://" in front when it has no scheme and one trailing "/" gone.
#include "FuzzCheck.h"
#include "samo/HttpClient.h"

#include <QRegularExpression>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string baseBytes = input.ConsumeRandomLengthString(512);
    const std::string resourceBytes = input.ConsumeRemainingBytesAsString();
    const QString base = QString::fromUtf8(baseBytes.data(), static_cast<qsizetype>(baseBytes.size()));
    const QString resource =
        QString::fromUtf8(resourceBytes.data(), static_cast<qsizetype>(resourceBytes.size()));

    const QString url = samoUrl(base, resource);
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    FUZZ_CHECK(scheme.match(url).hasMatch());
    FUZZ_CHECK(url.endsWith(u'/' + resource));

    const QString front = url.chopped(resource.size() + 1);
    QString expected = base.trimmed();
    if (!scheme.match(expected).hasMatch())
        expected.prepend(QStringLiteral("http://"));
    if (expected.endsWith(u'/'))
        expected.chop(1);
    FUZZ_CHECK(front == expected);
    return 0;
}
