#include "sample_cards.h"

namespace velta {

QList<CardRecipient> sampleRecipients() {
    auto card = [](const QString& surname, const QString& given, const QString& joint1 = {},
                   const QString& joint2 = {}) {
        CardRecipient c;
        c.postalCode = QStringLiteral("9800811");
        c.address1 = QStringLiteral("宮城県仙台市青葉区一番町四丁目7-1");
        c.address2 = QStringLiteral("仙台市役所本庁舎ビルディング１１０２号室");
        c.surname = surname;
        c.givenName = given;
        c.jointName1 = joint1;
        c.jointName2 = joint2;
        c.reading = QStringLiteral("よみ");
        return c;
    };
    QList<CardRecipient> cards = {card("林", "健太郎"),
                                  card("山田", "健太郎", "花子"),
                                  card("長谷川", "健太郎"),
                                  card("勅使河原", "健太郎"),
                                  card("クリストファー・ウィリアムズ", ""),
                                  card("勘解由小路", "資忠"),
                                  card("佐藤", "健一", "美咲", "陽菜"),
                                  card("高橋", "誠", "エリザベス", "アレクサンドラ"),
                                  card("田中", "美智子"),
                                  card("株式会社山田商事", ""),
                                  card("山本", "太郎", "山本　あかり")};
    cards[6].details.moreJointNames = {"大翔", "結衣", "蓮"};
    cards[8].details.company = QStringLiteral("株式会社九州電子工業");
    cards[8].details.department1 = QStringLiteral("営業本部");
    cards[8].details.department2 = QStringLiteral("第二営業部");
    cards[8].details.title = QStringLiteral("部長");
    cards[9].details.company = QStringLiteral("株式会社山田商事");
    for (qsizetype i = 0; i < cards.size(); ++i)
        cards[i].key = i + 1;
    return cards;
}

SenderRecord sampleSender() {
    SenderRecord sender;
    sender.surname = QStringLiteral("佐々木");
    sender.givenName = QStringLiteral("健太郎");
    sender.postalCode = QStringLiteral("530-0001");
    sender.address1 = QStringLiteral("大阪府大阪市北区梅田3-1-1");
    sender.address2 = QStringLiteral("グランフロント大阪北館12階");
    sender.jointName1 = QStringLiteral("由美子");
    sender.reading = QStringLiteral("ササキケンタロウ");
    return sender;
}

} // namespace velta
