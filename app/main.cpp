// Vellotune: the application window.

#include "platform/desktop/browser.h"
#include "platform/desktop/file_dialogs.h"
#include "platform/audio/fluidsynth_player.h"
#include "platform/audio/pcm_player.h"
#include "platform/desktop/message_boxes.h"
#include "platform/desktop/system_services.h"
#include "app/app_info.h"
#include "app/main_window.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Answered before any window exists, so that they work without a display.
bool answerInfoOption(int argc, char **argv, int &exitCode)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs("使い方: vellotune [ファイル]\n"
                       "\n"
                       "ポケコン用のビープ音楽を作る Vellotune のウィンドウを開きます。\n"
                       "ファイルを指定すると、拡張子が .vtd なら曲データ (VTD ファイル) として開き、\n"
                       "ほかは H-MML ファイルとして OMP データに変換します。\n"
                       "\n"
                       "オプション:\n"
                       "  -h, --help     この説明を表示します。\n"
                       "  --version      バージョンを表示します。\n"
                       "\n"
                       "コマンドラインでの変換や書き出しは vltn を使います (vltn --help)。\n",
                       stdout);
        } else if (std::strcmp(arg, "--version") == 0) {
            std::printf("vellotune %s\n", VersionText.toUtf8().constData());
        } else {
            continue;
        }
        exitCode = std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        return true;
    }
    return false;
}

// Running out of memory inside a command ends that command with a message
// rather than the whole program without one.
class Application : public QApplication {
public:
    Application(int &argc, char **argv, MessageBoxes &messages) : QApplication(argc, argv), m_messages(messages) {}

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::bad_alloc &) {
            m_messages.show(nullptr, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                            QStringLiteral("メモリーが足りないため、操作を続けられませんでした。"));
            return false;
        }
    }

private:
    MessageBoxes &m_messages;
};

} // namespace

int main(int argc, char **argv)
{
    int exitCode = 0;
    if (answerInfoOption(argc, argv, exitCode))
        return exitCode;

    QtMessageBoxes messages;
    Application app(argc, argv, messages);
    QApplication::setApplicationName(QStringLiteral("vellotune"));
    // The desktop entry's name, so that the desktop matches our windows to
    // its icon; every window takes the program's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vellotune"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vellotune/vellotune.svg")));

    QtFileDialogs dialogs;
    RealSystemServices system;
    FluidSynthPlayer player;
    PcmPlayer samplePlayer;
    DesktopBrowser browser;
    MainWindow window({dialogs, messages, system, player, samplePlayer, browser, QString()});

    // The command-line text: every argument after the program's own.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!window.startUp(arguments))
        return 0;
    return QApplication::exec();
}
