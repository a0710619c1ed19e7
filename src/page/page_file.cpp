#include "page_file.h"

#include "safe_output.h"
#include <QDataStream>
#include <QFile>

#include <cstring>

#include <cmath>

namespace velta {
namespace {

const char kMagic[8] = {'V', 'E', 'L', 'T', 'A', 'P', 'G', 'S'};
// 2 added FitText, MaxLines, ContinueIn; 3 FitGroup; 4 Condense, CondenseFloor, DigitPairs and
// each page's paths
constexpr quint32 kVersion = 4;
constexpr quint32 kMaxPages = 100000;
constexpr quint32 kMaxBoxes = 1000;
constexpr double kMaxCoordinate = 100000; // units; far beyond any card

void prepare(QDataStream& stream) {
    stream.setVersion(QDataStream::Qt_6_4);
    stream.setByteOrder(QDataStream::LittleEndian);
}

[[noreturn]] void refuse(const QString& fileName, const QString& why) {
    throw PageFileError(
        QStringLiteral("ページファイル「%1」を読み込めません。\n%2").arg(fileName, why));
}

} // namespace

bool savePages(const QString& fileName, const QVector<PreparedPage>& pages,
               const Progress& progress) {
    SafeOutput file(fileName);
    if (!file.open())
        throw PageFileError(QStringLiteral("ページファイル「%1」を書き込めません。\n%2")
                                .arg(fileName, file.errorString()));
    QDataStream out(&file.device());
    prepare(out);
    out.writeRawData(kMagic, sizeof kMagic);
    out << kVersion << static_cast<quint32>(pages.size());
    for (qsizetype n = 0; n < pages.size(); ++n) {
        if (progress && !progress(n, pages.size()))
            return false;
        const PreparedPage& page = pages[n];
        const PageSetup& p = page.page;
        out << p.PaperWidth << p.PaperHeight << static_cast<qint32>(p.PaperSize) << p.LeftMargin
            << p.RightMargin << p.TopMargin << p.BottomMargin
            << static_cast<quint32>(page.boxCount());
        for (const TextBox& b : page.boxes())
            out << b.Name << b.Left << b.Top << b.Width << b.Height << b.Visible << b.Text
                << b.FontName << static_cast<qint32>(b.FontHeight)
                << static_cast<qint32>(b.FontCharset) << b.UseDefaultCharset
                << static_cast<qint32>(b.Rotation) << b.CharSpacing << b.LineSpacing << b.GapX
                << b.GapY << b.HideZeros << b.FitText << static_cast<qint32>(b.MaxLines)
                << b.ContinueIn << b.FitGroup << b.Condense << b.CondenseFloor << b.DigitPairs;
        out << static_cast<quint32>(page.paths.size());
        for (const PagePath& path : page.paths)
            out << path.points << path.closed << path.filled << path.widthMm << path.colour;
    }
    if (out.status() != QDataStream::Ok || !file.commit())
        throw PageFileError(
            QStringLiteral(
                "ページファイル「%1」を書き込めませんでした。元のファイルはそのままです。\n%2")
                .arg(fileName, file.errorString()));
    return true;
}

QVector<PreparedPage> loadPages(const QString& fileName, const Progress& progress, bool* stopped) {
    if (stopped)
        *stopped = false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        refuse(fileName, file.errorString());
    QDataStream in(&file);
    prepare(in);
    char magic[sizeof kMagic] = {};
    if (in.readRawData(magic, sizeof magic) != sizeof magic ||
        std::memcmp(magic, kMagic, sizeof magic) != 0)
        refuse(fileName, QStringLiteral("VELTA のページファイルではありません。"));
    quint32 version = 0, pageCount = 0;
    in >> version >> pageCount;
    if (version < 1 || version > kVersion)
        refuse(fileName, QStringLiteral("対応していない版（%1）です。").arg(version));
    if (in.status() != QDataStream::Ok || pageCount > kMaxPages)
        refuse(fileName, QStringLiteral("ファイルが壊れています。"));
    auto sane = [](double v) { return std::isfinite(v) && std::abs(v) <= kMaxCoordinate; };
    QVector<PreparedPage> pages;
    for (quint32 i = 0; i < pageCount; ++i) {
        if (progress && !progress(i, pageCount)) {
            if (stopped)
                *stopped = true;
            return {};
        }
        PageSetup setup;
        PageSetup& p = setup;
        QVector<TextBox> boxes;
        qint32 paperSize = 0;
        quint32 boxCount = 0;
        in >> p.PaperWidth >> p.PaperHeight >> paperSize >> p.LeftMargin >> p.RightMargin >>
            p.TopMargin >> p.BottomMargin >> boxCount;
        p.PaperSize = paperSize;
        if (in.status() != QDataStream::Ok || boxCount > kMaxBoxes || !sane(p.PaperWidth) ||
            !sane(p.PaperHeight) || p.PaperWidth <= 0 || p.PaperHeight <= 0 ||
            !sane(p.LeftMargin) || !sane(p.TopMargin))
            refuse(fileName, QStringLiteral("%1 ページ目が壊れています。").arg(i + 1));
        for (quint32 j = 0; j < boxCount; ++j) {
            TextBox b;
            qint32 height = 0, charset = 0, rotation = 0;
            in >> b.Name >> b.Left >> b.Top >> b.Width >> b.Height >> b.Visible >> b.Text >>
                b.FontName >> height >> charset >> b.UseDefaultCharset >> rotation >>
                b.CharSpacing >> b.LineSpacing >> b.GapX >> b.GapY >> b.HideZeros;
            qint32 maxLines = 0;
            if (version >= 2)
                in >> b.FitText >> maxLines >> b.ContinueIn;
            if (version >= 3)
                in >> b.FitGroup;
            if (version >= 4)
                in >> b.Condense >> b.CondenseFloor >> b.DigitPairs;
            b.MaxLines = maxLines;
            b.FontHeight = height;
            b.FontCharset = charset;
            b.Rotation = rotation;
            const bool ok = in.status() == QDataStream::Ok && sane(b.Left) && sane(b.Top) &&
                            sane(b.Width) && sane(b.Height) && b.Width >= 0 && b.Height >= 0 &&
                            (rotation == 0 || rotation == 270) && height < 0 && height >= -1000 &&
                            sane(b.CharSpacing) && sane(b.LineSpacing) && sane(b.GapX) &&
                            sane(b.GapY) && maxLines >= 0 && maxLines <= 1000 &&
                            b.Condense >= 0.1 && b.Condense <= 1 && b.CondenseFloor >= 0.1 &&
                            b.CondenseFloor <= 1;
            if (!ok)
                refuse(fileName, QStringLiteral("%1 ページ目の %2 番目の枠が壊れています。")
                                     .arg(i + 1)
                                     .arg(j + 1));
            boxes.append(b);
        }
        pages.append(PreparedPage(setup, boxes, {}, pages.isEmpty() ? nullptr : &pages.last()));
        quint32 pathCount = 0;
        if (version >= 4)
            in >> pathCount;
        if (in.status() != QDataStream::Ok || pathCount > kMaxBoxes)
            refuse(fileName, QStringLiteral("%1 ページ目が壊れています。").arg(i + 1));
        for (quint32 j = 0; j < pathCount; ++j) {
            PagePath path;
            in >> path.points >> path.closed >> path.filled >> path.widthMm >> path.colour;
            const bool ok = in.status() == QDataStream::Ok && path.points.size() <= 10000 &&
                            sane(path.widthMm) &&
                            std::all_of(path.points.begin(), path.points.end(),
                                        [&](QPointF at) { return sane(at.x()) && sane(at.y()); });
            if (!ok)
                refuse(fileName, QStringLiteral("%1 ページ目の %2 番目の図形が壊れています。")
                                     .arg(i + 1)
                                     .arg(j + 1));
            pages.last().paths.append(path);
        }
    }
    if (!in.atEnd())
        refuse(fileName, QStringLiteral("ファイルの末尾に余分なデータがあります。"));
    return pages;
}

} // namespace velta
