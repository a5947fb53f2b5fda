#include "core/formats/omp_list.h"

#include "core/io/cp932.h"
#include "core/io/save_file.h"

#include <QStringList>

namespace omplist {

QStringList playerLines(Player player, const QString &omp)
{
    const QString quoted = u'"' + omp + u'"';
    const QLatin1String scale(PitchScale), step(PitchStep), restExtra(RestExtra);
    const PlayerFormula formula = playerFormula(player);
    const QLatin1String toneNumerator(formula.toneNumerator), toneOffset(formula.toneOffset),
        restPasses(formula.restPasses);
    // The players are typed in as printed: the blanks before "(" after MID$,
    // TEN and RIGHT$, and the missing ones in "&1TO" and "64LET", are part of
    // the text.
    switch (player) {
    case Player::G800:
        return {
            QStringLiteral("1 DIM M$(0)*250"),
            QStringLiteral("10 M$(0)=") + quoted + QStringLiteral(":GOSUB *OMP"),
            QStringLiteral("20 END"),
            QStringLiteral("100 *OMP FOR I=1 TO LEN M$(0):Z=ASC MID$ (M$(0),I,1):IF Z>64 LET X=%1*TEN (%2*Z)"
                           ":BEEP 1,%3/X-%4,X*Y/T:NEXT :RETURN")
                .arg(scale, step, toneNumerator, toneOffset),
            QStringLiteral("110 IF Z>47 LET Y=Z-48:NEXT :RETURN"),
            QStringLiteral("120 IF Z=36 LET T=VAL RIGHT$ (M$(0),LEN M$(0)-I)"),
            QStringLiteral("130 IF Z=42 FOR J=1 TO %1*Y/T+%2:NEXT").arg(restPasses, restExtra),
            QStringLiteral("140 NEXT:RETURN"),
        };
    case Player::E500:
        return {
            QStringLiteral("10 M$=") + quoted + QStringLiteral(":GOSUB *OMP"),
            QStringLiteral("20 END"),
            QStringLiteral("100 *OMP FOR I=&1TO LEN M$:Z=ASC MID$ (M$,I,1):IF Z>64LET X=%1*TEN (%2*Z)"
                           ":BEEP 1,%3/X-%4,X*Y/T ELSE IF Z>47LET Y=Z-48ELSE IF Z=36LET T=VAL RIGHT$ (M$,LEN M$-I)"
                           "ELSE IF Z=42 FOR J=&1TO %5*Y/T+%6:NEXT")
                .arg(scale, step, toneNumerator, toneOffset, restPasses, restExtra),
            QStringLiteral("110 NEXT :RETURN"),
        };
    case Player::Zaurus:
        break;
    }
    return {
        QStringLiteral("10 M$=") + quoted + QStringLiteral(":GOSUB *OMP"),
        QStringLiteral("20 END"),
        QStringLiteral("100 *OMP FOR I=&1TO LEN M$:Z=ASC MID$ (M$,I,1):IF Z>64 OR Z=42LET X=%1*TEN (%2*Z),"
                       "W=-73153*Y/T:BEEP 1,-(Z<>42)*36576/X,(Z<>42)*W,(Z=42)*W ELSE IF Z>47 LET Y=Z-48 "
                       "ELSE IF Z=36LET T=VAL RIGHT$ (M$,LEN M$-I)")
            .arg(scale, step),
        QStringLiteral("110 NEXT :RETURN"),
    };
}

QString text(const QString &title, const QString &omp)
{
    const QString shownTitle = title.isEmpty() ? UntitledTitle : title;
    QStringList lines = {
        QStringLiteral("OMP DATA  Title:") + shownTitle,
        u'[' + omp + u']',
        QString(),
        QString(),
        QStringLiteral("for PC-G800 and PC-E200"),
        QString(),
    };
    lines += playerLines(Player::G800, omp);
    lines += {QString(), QString(), QStringLiteral("for PC-E500"), QString()};
    lines += playerLines(Player::E500, omp);
    lines += {QString(), QString(), QStringLiteral("for ザウルス PV-F1・DB-Z （要ハイパー関数プログラムカード）"), QString()};
    lines += playerLines(Player::Zaurus, omp);
    lines += {
        QString(),
        QString(),
        QString(76, u'-'),
        QStringLiteral("このOMPリストは Vellotune で作成しました。"),
        QStringLiteral("OMPデータの権利は、保護された著作物に由来する部分を除き、データの作者にあります。"),
        QStringLiteral("OMPプレーヤープログラムの権利は、その作者にあります。"),
        QStringLiteral("MMLデータの権利も、OMPデータと同じくデータの作者にあります。"),
        QStringLiteral("MML2OMP と H-MML の言語の権利は、それらの言語の作者にあります。"),
        QStringLiteral("Vellotune (C) Vellotune の開発者"),
        QStringLiteral("OMP (C) OMP の作者"),
        QStringLiteral("MML2OMP / H-MML (C) MML2OMP と H-MML の作者"),
        QString(77, u'-'),
        QStringLiteral("(このOMPリストは自由に公開、使用することができます)"),
    };
    Q_ASSERT(lines.size() == 43);
    QString out;
    out.reserve(2048 + 4 * omp.size() + title.size());
    for (const QString &line : lines) {
        out += line;
        out += u"\r\n";
    }
    return out;
}

EncodeResult bytes(const QString &title, const QString &omp)
{
    const Cp932::EncodeResult encoded = Cp932::encode(text(title, omp));
    return EncodeResult{encoded.bytes, encoded.error};
}

QString write(const QString &path, const QString &title, const QString &omp)
{
    const EncodeResult list = bytes(title, omp);
    if (!list.ok())
        return list.error;
    return SaveFile::writeAll(path, list.bytes);
}

} // namespace omplist
