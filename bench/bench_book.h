#pragma once

#include "dm.h"

#include <QByteArray>
#include <QString>

namespace velta {

// How many recipients a benchmark's address book holds: VELTA_BENCH_RECIPIENTS, else 10,000.
inline int benchRecipients() {
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("VELTA_BENCH_RECIPIENTS", &ok);
    return ok && count > 0 ? count : 10000;
}

// The benchmarks' address book: `count` recipients of Japanese addresses with readings in no
// particular order, every third with a joint name, and one sender.
inline void addBenchRecipients(TDM& dm, int count) {
    TIBQuery& q = dm.IBQuery1;
    for (int i = 0; i < count; ++i) {
        q.Clear();
        q.Add("insert into MST_KOKYAKU (KEY1, NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, JYUSYO2, "
              "RENMEI1, MEMO, YEAR1)");
        q.Add("values (0, :N, '太郎', :H, :Y, :J, :J2, :R, '年賀状', 2026)");
        q.setString("N", QString("山田%1").arg(i));
        q.setString("H", QString("やまだ%1").arg((i * 7919) % count));
        q.setString("Y", QString::number(1000000 + i * 7919 % 8999999));
        q.setString(
            "J",
            QString("東京都千代田区丸の内%1-%2-%3").arg(i % 9 + 1).arg(i % 30 + 1).arg(i % 12 + 1));
        q.setString("J2", QString("グランドメゾン%1号室").arg(100 + i % 900));
        q.setString("R", i % 3 == 0 ? "花子" : "");
        q.ExecSQL();
    }
    q.Clear();
    q.Add("insert into MST_SASIDASI (KEY1, NAMAE, NAMAE2, YUBINNO, JYUSYO) values "
          "(1, '鈴木', '一郎', '5300001', '大阪府大阪市北区梅田3-1-1')");
    q.ExecSQL();
    dm.close();
}

} // namespace velta
