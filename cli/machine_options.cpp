#include "cli/machine_options.h"

#include "cli/cli_common.h"
#include "cli/song_input.h"

namespace cli {

namespace {

const QString MachineOpt = QStringLiteral("machine");
const QString ProgramOpt = QStringLiteral("program");
const QString GapOpt = QStringLiteral("gap");
const QString ToneOpt = QStringLiteral("tone");

// The longest pause a statement may be given: a second is far beyond any
// interpreter, and keeps a mistyped value from stretching a song for hours.
constexpr double MaxGapMs = 1000;

} // namespace

void addMachineOptions(QCommandLineParser &parser, bool required, bool withGap)
{
    parser.addOption({MachineOpt,
                      required ? QStringLiteral("機種: e500 または g800 (必須)")
                               : QStringLiteral("ポケコンの音 (方形波、機種の音程と長さ) にします: e500 または g800。"
                                                "指定しないと General MIDI の音です。"),
                      QStringLiteral("M")});
    // Beside a General MIDI verb, the other options say they go with --machine.
    const QString withMachine = required ? QString() : QStringLiteral("--machine のとき、");
    parser.addOption({ProgramOpt,
                      withMachine + QStringLiteral("どのプログラムの音か: beep (1 音 1 行の BASIC、既定) または omp (OMP プレーヤー)"),
                      QStringLiteral("P")});
    if (withGap)
        parser.addOption({GapOpt,
                          withMachine + QStringLiteral("BEEP と休符の文のあとに入れる無音 (ミリ秒、0 から 1000、既定 0)。"
                                         "BASIC が文と文のあいだに置く間は公表されていないので、実機に合わせて選んでください。"),
                          QStringLiteral("MS")});
}

bool machineOptions(const QCommandLineParser &parser, const QString &verb, bool required,
                    std::optional<MachineChoice> &choice, int &exitCode)
{
    // The options found on the command line: asking isSet() of one the verb
    // does not have (--tone of tuning) would complain on the terminal.
    const QStringList given = parser.optionNames();
    if (!given.contains(MachineOpt)) {
        if (required) {
            exitCode = usageError(verb, QStringLiteral("--machine には e500 か g800 を指定してください。"));
            return false;
        }
        if (given.contains(ProgramOpt) || given.contains(GapOpt)) {
            exitCode = usageError(verb, QStringLiteral("--program と --gap はポケコンの音のためのものです。"
                                                       "--machine e500 か --machine g800 といっしょに指定してください。"));
            return false;
        }
        return true;
    }
    MachineChoice c;
    const std::optional<Machine> machine = machines::fromKey(parser.value(MachineOpt));
    if (!machine) {
        exitCode = usageError(verb, QStringLiteral("--machine には e500 か g800 を指定してください。"));
        return false;
    }
    c.machine = *machine;
    if (given.contains(ProgramOpt)) {
        const QString program = parser.value(ProgramOpt).toLower();
        if (program != u"beep" && program != u"omp") {
            exitCode = usageError(verb, QStringLiteral("--program には beep、omp のどれかを指定してください。"));
            return false;
        }
        c.program = program == u"omp" ? voice::Program::Omp : voice::Program::Beep;
    }
    if (given.contains(GapOpt)) {
        bool ok = false;
        const double ms = parser.value(GapOpt).toDouble(&ok);
        if (!ok || !(ms >= 0 && ms <= MaxGapMs)) {
            exitCode = usageError(verb, QStringLiteral("--gap には 0 から 1000 までのミリ秒を指定してください (小数も使えます)。"));
            return false;
        }
        c.gapSeconds = ms / 1000.0;
    }
    if (given.contains(ToneOpt)) {
        exitCode = usageError(verb, QStringLiteral("--tone は General MIDI の音色です。ポケコンの音 (--machine) では使えません。"
                                                   "--tone か --machine のどちらかにしてください。"));
        return false;
    }
    choice = c;
    return true;
}

MachineVoiceSource machineVoiceForInput(const QString &input, const MachineChoice &choice)
{
    MachineVoiceSource source;
    const SongInput song = loadSongInput(input);
    if (!song.ok()) {
        source.error = song.error;
        return source;
    }
    voice::SoundEvents sounds = voice::soundEvents(song.omp, choice.machine, choice.program);
    source.error = sounds.error;
    source.warning = sounds.warning;
    if (!sounds.ok())
        return source;
    auto voice = std::make_shared<voice::Voice>(std::move(sounds.events), choice.gapSeconds);
    source.voice = std::move(voice);
    return source;
}

} // namespace cli
