// The postal-code dictionary of the database connect.ini in the working directory names:
//   velta-postal import FILE   Japan Post's ken_all.zip, KEN_ALL.CSV or utf_ken_all.csv
//   velta-postal lookup CODE   one line per town: code, prefecture, city, town (tab-separated)
//   velta-postal barcode CODE ADDRESS   the customer barcode's 23 symbols (STC 1 0 … 9 SPC)
// Exit 0, 1 on failure (or a code not in the dictionary), 2 on bad usage.
#include "command_line.h"
#include "customer_barcode.h"
#include "dm.h"
#include "errors.h"
#include "postal_dictionary.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    using namespace velta;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool barcode = !arguments.isEmpty() && arguments[0] == QLatin1String("barcode");
    if (arguments.size() != (barcode ? 3 : 2) ||
        (!barcode && arguments[0] != QLatin1String("import") &&
         arguments[0] != QLatin1String("lookup")))
        return failure(QStringLiteral("使い方: velta-postal import ファイル | velta-postal lookup "
                                      "郵便番号 | velta-postal barcode 郵便番号 住所"),
                       2);
    try {
        TDM dm(QDir::currentPath());
        if (arguments[0] == QLatin1String("import")) {
            TerminalProgress progress(100, QStringLiteral("取り込み中"), QStringLiteral("%"));
            const int towns = importPostalFile(dm, arguments[1], [&](qint64 done, qint64) {
                progress.step(done);
                return true;
            });
            progress.done();
            std::printf("%d 件の町域を郵便番号辞書に取り込みました。\n", towns);
            return 0;
        }
        if (postalCodeDigits(arguments[1]).isEmpty())
            return failure(QStringLiteral("郵便番号は 7 桁の数字です: %1").arg(arguments[1]), 2);
        const QVector<PostalTown> towns = lookUpPostalCode(dm, arguments[1]);
        if (barcode) {
            if (!hasPostalDictionary(dm))
                return failure(QStringLiteral("郵便番号辞書がありません（velta-postal import で取り"
                                              "込みます）。"));
            const QString code = postalCodeDigits(arguments[1]);
            const BarcodeAddress split = splitForBarcode(towns, code, arguments[2]);
            if (!split.problem.isEmpty())
                return failure(split.problem + QStringLiteral("。バーコードは作れません。"));
            std::printf("%s\n", customerBarcodeSymbols(code, addressNumber(split.addressB))
                                    .join(QLatin1Char(' '))
                                    .toUtf8()
                                    .constData());
            return 0;
        }
        for (const PostalTown& town : towns)
            std::printf("%s\n", QStringList({town.code, town.prefecture, town.city, town.town})
                                    .join(QLatin1Char('\t'))
                                    .toUtf8()
                                    .constData());
        if (towns.isEmpty())
            return failure(
                hasPostalDictionary(dm)
                    ? QStringLiteral("郵便番号 %1 は辞書にありません。").arg(arguments[1])
                    : QStringLiteral("郵便番号辞書がありません（velta-postal import で取り込み"
                                     "ます）。"));
        return 0;
    } catch (const DbError& error) {
        return failure(error.message());
    } catch (const PostalFileError& error) {
        return failure(QString::fromStdString(error.what()));
    } catch (const std::bad_alloc&) {
        return failure(outOfMemory());
    }
}
