// Build-time tool: renders the program's SVG icon into the bitmaps that desktops
// and installers want, so only the SVG is kept in the source tree.
//
//   render_icon <icon.svg> <out.png> <size>         one square PNG
//   render_icon <icon.svg> <out.ico> <size>...      a Windows icon with one PNG image per size

#include <QBuffer>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <QSvgRenderer>
#include <QtEndian>

#include <cstdio>

namespace {

QByteArray renderPng(QSvgRenderer& svg, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    svg.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

template <typename T> void append(QByteArray& out, T value) {
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

// An ICO file whose images are stored as PNG, which Windows reads since Vista.
QByteArray icoOf(const QList<int>& sizes, const QList<QByteArray>& pngs) {
    constexpr quint32 headerSize = 6;
    constexpr quint32 entrySize = 16;
    QByteArray out;
    append<quint16>(out, 0); // reserved
    append<quint16>(out, 1); // type: icon
    append<quint16>(out, static_cast<quint16>(sizes.size()));
    quint32 offset = headerSize + entrySize * static_cast<quint32>(sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const auto side = static_cast<quint8>(sizes[i] >= 256 ? 0 : sizes[i]); // 0 stands for 256
        append<quint8>(out, side);
        append<quint8>(out, side);
        append<quint8>(out, 0);   // no palette
        append<quint8>(out, 0);   // reserved
        append<quint16>(out, 1);  // colour planes
        append<quint16>(out, 32); // bits per pixel
        append<quint32>(out, static_cast<quint32>(pngs[i].size()));
        append<quint32>(out, offset);
        offset += static_cast<quint32>(pngs[i].size());
    }
    for (const QByteArray& png : pngs)
        out.append(png);
    return out;
}

int fail(const QString& message) {
    std::fprintf(stderr, "render_icon: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4)
        return fail(QStringLiteral("usage: render_icon <icon.svg> <out.png|out.ico> <size>..."));
    const QString svgPath = QString::fromLocal8Bit(argv[1]);
    const QString outPath = QString::fromLocal8Bit(argv[2]);
    const bool ico = outPath.endsWith(QStringLiteral(".ico"), Qt::CaseInsensitive);
    if (!ico && argc != 4)
        return fail(QStringLiteral("a PNG takes exactly one size"));

    QSvgRenderer svg(svgPath);
    if (!svg.isValid())
        return fail(QStringLiteral("cannot read %1").arg(svgPath));

    QList<int> sizes;
    QList<QByteArray> pngs;
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 256)
            return fail(QStringLiteral("bad size '%1' (1 to 256)").arg(QString::fromLocal8Bit(argv[i])));
        QByteArray png = renderPng(svg, size);
        if (png.isEmpty())
            return fail(QStringLiteral("cannot encode a %1 px PNG").arg(size));
        sizes.append(size);
        pngs.append(std::move(png));
    }

    QSaveFile out(outPath);
    const QByteArray bytes = ico ? icoOf(sizes, pngs) : pngs.first();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(outPath, out.errorString()));
    return 0;
}
