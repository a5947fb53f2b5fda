#include "cli/verbs.h"

namespace cli {

const std::vector<Verb> &verbs()
{
    static const std::vector<Verb> all = {
        {"compile", "compile [--raw] [--separator C] [--interval N] [--json] [--watch] FILE   H-MML を OMP に変換", runCompile},
        {"format", "format [--separator C] [--interval N] FILE                     OMP データを整形 (- は標準入力)", runFormat},
        {"vtd", "vtd [--tone N] [--title T] [--author A] [--copyright C] -o OUT INPUT   VTD ファイルに保存", runVtd},
        {"midi", "midi [--tone N] -o OUT INPUT                                   MIDI ファイルに書き出し", runMidi},
        {"basic", "basic --machine e500|g800 [-o OUT] INPUT                       BASIC プログラムを生成", runBasic},
        {"omplist", "omplist [--title T] [-o OUT] INPUT                             OMP リストを生成", runOmpList},
        {"draw", "draw [--machine e500|g800] [--width PX] -o OUT.svg INPUT       曲を SVG の絵に書き出し", runDraw},
        {"send", "send --machine e500|g800 [--program beep|omp] [--port DEV] ... INPUT   ポケコンへ送信", runSend},
        {"ports", "ports                                                          シリアルポートの一覧", runPorts},
        {"import", "import [--track N | --channel N] [--transpose N] [--unit TICKS] [--utf8] -o OUT.hml IN.mid   MIDI ファイルを H-MML に", runImport},
        {"play", "play [--loop] [--tone N] [--watch] INPUT                     曲を再生 (Ctrl-C で停止)", runSoundVerb},
        {"wav", "wav [--tone N] -o OUT.wav INPUT                              曲を WAV ファイルに書き出す", runSoundVerb},
        {"tuning", "tuning --machine e500|g800 [--program beep|omp] [--json] INPUT   ポケコンの音程を平均律と比べる", runTuning},
    };
    return all;
}

} // namespace cli
