// Writes N recipients twice: as a CSV file for velta-book import (Google Contacts' current
// layout, UTF-8) and as the SQL script of the same rows as bare inserts for isql-fb, the floor
// the import is measured against.
//   make_import_files N OUT.csv OUT.sql
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_import_files N OUT.csv OUT.sql\n");
        return 2;
    }
    const long rows = std::atol(argv[1]);
    std::FILE* csv = std::fopen(argv[2], "w");
    std::FILE* sql = std::fopen(argv[3], "w");
    if (!csv || !sql)
        return 1;
    const char* surnames[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "渡辺", "伊藤", "中村"};
    const char* readings[] = {"ヤマダ", "サトウ",   "スズキ", "タカハシ",
                              "タナカ", "ワタナベ", "イトウ", "ナカムラ"};
    const char* given[] = {"太郎", "花子", "一郎", "美咲", "健太"};
    const char* givenReadings[] = {"タロウ", "ハナコ", "イチロウ", "ミサキ", "ケンタ"};
    const char* towns[] = {"東京都千代田区丸の内", "大阪府大阪市北区梅田",
                           "北海道札幌市中央区北一条西", "福岡県福岡市博多区博多駅前",
                           "愛知県名古屋市中村区名駅"};
    std::fputs("\xEF\xBB\xBF"
               "First Name,Last Name,Phonetic First Name,Phonetic Last Name,"
               "Phone 1 - Type,Phone 1 - Value,Address 1 - Type,Address 1 - Postal Code,"
               "Address 1 - Region,Address 1 - City,Address 1 - Street,"
               "Address 1 - Extended Address\r\n",
               csv);
    std::fputs("SET AUTODDL OFF;\n", sql); // run with isql-fb -ch UTF8
    for (long i = 0; i < rows; ++i) {
        const std::string code = std::to_string(1000000 + i * 7919 % 8999999);
        const std::string postal = code.substr(0, 3) + "-" + code.substr(3);
        const std::string town = towns[i % 5];
        const std::string street = std::to_string(i % 9 + 1) + "-" + std::to_string(i % 30 + 1) +
                                   "-" + std::to_string(i % 12 + 1);
        const std::string building = "グランドメゾン" + std::to_string(100 + i % 900) + "号室";
        const std::string phone =
            "03-" + std::to_string(1000 + i % 9000) + "-" + std::to_string(1000 + i * 7 % 9000);
        std::fprintf(csv, "%s,%s,%s,%s,Home,%s,Home,%s,,%s,%s,%s\r\n", given[i % 5],
                     surnames[i % 8], givenReadings[i % 5], readings[i % 8], phone.c_str(),
                     postal.c_str(), town.c_str(), street.c_str(), building.c_str());
        std::fprintf(sql,
                     "insert into MST_KOKYAKU (KEY1, NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, "
                     "JYUSYO2, TEL, YEAR1, MONTH1, DAY1, LTIME) values (0, '%s', '%s', '%s%s', "
                     "'%s', '%s%s', '%s', '%s', 2026, 12, 9, current_timestamp);\n",
                     surnames[i % 8], given[i % 5], readings[i % 8], givenReadings[i % 5],
                     postal.c_str(), town.c_str(), street.c_str(), building.c_str(), phone.c_str());
    }
    std::fputs("COMMIT;\n", sql);
    return std::fclose(csv) == 0 && std::fclose(sql) == 0 ? 0 : 1;
}
