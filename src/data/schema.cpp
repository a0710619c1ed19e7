#include "schema.h"

#include "dm.h"

#include "firebird_client.h"

namespace velta {
namespace {

const QStringList kSchema = {
    QStringLiteral("CREATE SEQUENCE GEN_MST_KOKYAKU_KEY1"),
    QStringLiteral(
        "CREATE TABLE MST_KOKYAKU ("
        " KEY1 INTEGER NOT NULL PRIMARY KEY, IDNUM INTEGER,"
        " NAMAE VARCHAR(1000), NAMAE2 VARCHAR(1000), YUBINNO VARCHAR(40),"
        " JYUSYO VARCHAR(1000), JYUSYO2 VARCHAR(1000), K_SHITU VARCHAR(100), SEIBETU INTEGER,"
        " SEI_JEL INTEGER, SEI_MUUSU INTEGER, SEI_SUPURE INTEGER, SEI_SONOTA INTEGER,"
        " SORI_AGO INTEGER, SORI_MAYU INTEGER, MEMO VARCHAR(2000),"
        " YEAR1 INTEGER, MONTH1 INTEGER, DAY1 INTEGER, TEL VARCHAR(100), KEY2 INTEGER,"
        " HURIGANA VARCHAR(1000), RENMEI1 VARCHAR(1000), RENMEI2 VARCHAR(1000), LTIME TIMESTAMP)"),
    // While active, every new address gets the next key; switched off to re-insert an edit.
    QStringLiteral("CREATE TRIGGER TRG_ID FOR MST_KOKYAKU ACTIVE BEFORE INSERT POSITION 0 AS "
                   "BEGIN NEW.KEY1 = NEXT VALUE FOR GEN_MST_KOKYAKU_KEY1; END"),
    QStringLiteral(
        "CREATE TABLE MST_SASIDASI ("
        " KEY1 INTEGER NOT NULL PRIMARY KEY, NAMAE VARCHAR(1000), NAMAE2 VARCHAR(1000),"
        " YUBINNO VARCHAR(40), JYUSYO VARCHAR(1000), LMONEY VARCHAR(100), MEMO VARCHAR(2000),"
        " YEAR1 VARCHAR(10), MONTH1 VARCHAR(10), DAY1 VARCHAR(10), LTIME TIMESTAMP,"
        " TEL VARCHAR(100), KEY2 INTEGER, JYUSYO2 VARCHAR(1000), RENMEI1 VARCHAR(1000),"
        " RENMEI2 VARCHAR(1000), HURIGANA VARCHAR(1000))"),
};

QByteArray ownerDpb() {
    return fb::buildDpb(QStringLiteral("SYSDBA"), QStringLiteral("tidewater"),
                        {QStringLiteral("SJIS_0208")}, false);
}

QString quoted(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

} // namespace

void createVeltaDatabase(const QString& databaseName, const SchemaOptions& options) {
    QByteArray dpb = ownerDpb();
    // Page size and the default character set of every text column.
    const QByteArray extra = fb::call([&](Firebird::ThrowStatusWrapper* s) {
        Firebird::IXpbBuilder* builder = fb::util()->getXpbBuilder(
            s, Firebird::IXpbBuilder::DPB, reinterpret_cast<const unsigned char*>(dpb.constData()),
            static_cast<unsigned>(dpb.size()));
        builder->insertInt(s, isc_dpb_page_size, 8192);
        builder->insertString(s, isc_dpb_set_db_charset, "SJIS_0208");
        QByteArray result(reinterpret_cast<const char*>(builder->getBuffer(s)),
                          static_cast<qsizetype>(builder->getBufferLength(s)));
        builder->dispose();
        return result;
    });
    fb::Attachment attachment = fb::Attachment::create(databaseName, extra);
    for (const QString& statement : kSchema)
        fb::executeImmediate(attachment, statement);
    if (options.withVersionTable) {
        fb::executeImmediate(
            attachment,
            QStringLiteral("CREATE TABLE VERSION_TBL (KEY1 INTEGER NOT NULL PRIMARY KEY,"
                           " VERSION_NO VARCHAR(20))"));
        for (qsizetype i = 0; i < options.versionRows.size(); ++i)
            fb::executeImmediate(attachment,
                                 QStringLiteral("INSERT INTO VERSION_TBL VALUES (%1, %2)")
                                     .arg(i + 1)
                                     .arg(quoted(options.versionRows[i])));
    }
    attachment.detach();
}

void dropVeltaDatabase(const QString& databaseName) {
    fb::Attachment attachment = fb::Attachment::attach(databaseName, ownerDpb());
    attachment.dropDatabase();
}

void setFieldCaptions(TIBQuery& query) {
    static const std::pair<const char*, const char*> captions[] = {
        {"NAMAE", "姓（苗字）"}, {"NAMAE2", "名（名前）"}, {"HURIGANA", "ふりがな"},
        {"YUBINNO", "郵便番号"}, {"JYUSYO", "住所1"},      {"JYUSYO2", "住所2"},
        {"MEMO", "メモ"},        {"TEL", "電話番号"},      {"RENMEI1", "連名1"},
        {"RENMEI2", "連名2"},    {"IDNUM", "I　D"}};
    for (const auto& [column, caption] : captions)
        query.setCaption(QString::fromLatin1(column), QString::fromUtf8(caption));
}

} // namespace velta
