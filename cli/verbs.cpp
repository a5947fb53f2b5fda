#include "cli/verbs.h"

namespace cli {

const std::vector<Verb> &verbs()
{
    static const std::vector<Verb> all = {
        {"compile", "compile [--raw] [--separator C] [--interval N] [--json] FILE   H-MML を OMP に変換", runCompile},
        {"format", "format [--separator C] [--interval N] FILE                     OMP データを整形 (- は標準入力)", runFormat},
        {"play", "play [--loop] [--tone N] INPUT                                 曲を再生 (Ctrl-C で停止)", runPlay},
        {"wav", "wav [--tone N] -o OUT.wav INPUT                                曲を WAV ファイルに書き出す", runWav},
    };
    return all;
}

} // namespace cli
