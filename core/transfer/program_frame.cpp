#include "core/transfer/program_frame.h"

#include "core/formats/omp_list.h"

namespace transfer {

namespace {

// Both families take at most 255 bytes for a line as it arrives, line
// number and CR LF counted; a longer line overruns the machine's buffer.
constexpr int LineBytes = 255;
// The PC-G800 player declares its string "DIM M$(0)*250".
constexpr int G800PlayerString = 250;

bool printableAscii(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() <= 0x7E;
}

// The line as the message shows it: short enough for a message box.
QString shown(QStringView line)
{
    constexpr qsizetype Shown = 24;
    return line.size() <= Shown ? line.toString() : line.left(Shown).toString() + QStringLiteral("…");
}

// Why `line` (the `number`th of the text, counted from 1) cannot be sent,
// or an empty string.
QString lineError(QStringView line, int number, Machine machine)
{
    for (const QChar c : line) {
        if (printableAscii(c))
            continue;
        if (c.unicode() < 0x80)
            return QStringLiteral("%1行目「%2」に制御文字 (コード %3) があります。ポケコンへは ASCII の文字だけを送れます。"
                                  "その文字を消してください。")
                .arg(number)
                .arg(shown(line))
                .arg(c.unicode());
        return QStringLiteral("%1行目「%2」に ASCII 以外の文字「%3」があります。ポケコンへは ASCII の文字だけを送れます。"
                              "その文字を消すか書き換えてください。")
            .arg(number)
            .arg(shown(line))
            .arg(c);
    }
    qsizetype digits = 0;
    while (digits < line.size() && line[digits].isDigit())
        ++digits;
    if (digits == 0)
        return QStringLiteral("%1行目「%2」は行番号で始まっていません。ポケコンへは行番号で始まる行だけを送れます。"
                              "行番号を付けるか、その行を消してください。")
            .arg(number)
            .arg(shown(line));
    bool ok = false;
    const int lineNumber = line.left(digits).toInt(&ok);
    if (!ok || lineNumber < LowestLineNumber || lineNumber > HighestLineNumber)
        return QStringLiteral("%1行目の行番号 %2 はポケコンでは使えません。行番号は %3 から %4 までにしてください。")
            .arg(number)
            .arg(line.left(digits))
            .arg(LowestLineNumber)
            .arg(HighestLineNumber);
    const qsizetype bytes = line.size() + 2;
    if (bytes > maxLineBytes(machine))
        return QStringLiteral("%1行目「%2」は改行を含めて %3 バイトあります。ポケコンの 1 行は %4 バイトまでです。"
                              "行を分けてください。")
            .arg(number)
            .arg(shown(line))
            .arg(bytes)
            .arg(maxLineBytes(machine));
    return QString();
}

} // namespace

int maxLineBytes(Machine)
{
    return LineBytes;
}

FramedProgram frameProgram(QStringView text, Machine machine)
{
    FramedProgram framed;
    QString clean = text.toString();
    clean.remove(QChar(EndOfFile));
    QByteArray bytes;
    bytes.reserve(clean.size() + clean.size() / 8 + 1);
    int number = 0;
    qsizetype at = 0;
    while (at < clean.size()) {
        qsizetype end = at;
        while (end < clean.size() && clean[end] != u'\r' && clean[end] != u'\n')
            ++end;
        const QStringView line = QStringView(clean).mid(at, end - at);
        ++number;
        // CR LF, CR or LF ends the line.
        at = end;
        if (at < clean.size() && clean[at] == u'\r' && at + 1 < clean.size() && clean[at + 1] == u'\n')
            ++at;
        if (at < clean.size())
            ++at;
        if (line.trimmed().isEmpty())
            continue;
        const QString error = lineError(line, number, machine);
        if (!error.isEmpty()) {
            framed.error = error;
            framed.lines = 0;
            return framed;
        }
        bytes += line.toLatin1();
        bytes += "\r\n";
        ++framed.lines;
    }
    if (framed.lines == 0) {
        framed.error = QStringLiteral("送るプログラムの行がありません。");
        return framed;
    }
    bytes += EndOfFile;
    framed.bytes = bytes;
    return framed;
}

ProgramText programForSong(ProgramKind kind, Machine machine, const QString &omp)
{
    ProgramText program;
    if (omp.isEmpty()) {
        program.error = QStringLiteral("OMPデータがロードされていません\r\nOMPデータをロードするか、HMLファイルをロードしてください");
        return program;
    }
    if (kind == ProgramKind::Beep) {
        const BasicProgramResult basic = generateBasicProgram(omp, machine);
        program.text = basic.text;
        program.error = basic.error;
        return program;
    }

    const omplist::Player player = machine == Machine::E500 ? omplist::Player::E500 : omplist::Player::G800;
    const QStringList lines = omplist::playerLines(player, omp);
    for (const QChar c : omp) {
        if (!printableAscii(c) || c == u'"') {
            program.error = QStringLiteral("OMP データに OMP プレーヤーの文字列に入れられない文字「%1」があります。"
                                           "BEEP の BASIC プログラムで送ってください。")
                                .arg(printableAscii(c) ? QString(c) : QStringLiteral("コード %1").arg(c.unicode()));
            return program;
        }
    }
    // The data stands in one assignment line, and on the PC-G800 in a
    // string declared 250 characters long.
    const QString assignment = player == omplist::Player::E500 ? lines.at(0) : lines.at(1);
    qsizetype room = maxLineBytes(machine) - 2 - (assignment.size() - omp.size());
    if (player == omplist::Player::G800)
        room = std::min<qsizetype>(room, G800PlayerString);
    if (omp.size() > room) {
        program.error = QStringLiteral("OMP データが %1 文字あり、%2 の OMP プレーヤーに入る %3 文字を超えています。"
                                       "BEEP の BASIC プログラムで送ってください。")
                            .arg(omp.size())
                            .arg(machines::modelName(machine))
                            .arg(room);
        return program;
    }
    program.text = lines.join(QStringLiteral("\r\n"));
    return program;
}

} // namespace transfer
